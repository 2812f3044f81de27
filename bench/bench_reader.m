function bench_reader (far_end, report, streams, held, floor, rounds, batch)
  ## The port's reader (InputBufferSize), on socat pairs each given as {a, b}
  ## (a: the far end, b: the port). Prints one line per measurement:
  ##   stream LABEL GENERATED DROPPED RECEIVED INTACT
  ##   idle_cpu LABEL PERCENT
  ##   IMPL read1_us ROUND X
  ##   timeout TIMEOUT ELAPSED
  ##
  ## stream: for each pair of STREAMS (cell of {a, b}, the first without a
  ## reader, the second with InputBufferSize 1e6) the program FAR_END streams
  ## into a at 921600 baud (92160 bytes/s) for 5 s and drops what the line
  ## does not take; the script opens b with ReadTimeout 0 and reads all that
  ## is there once a second, pausing between. GENERATED and DROPPED are the
  ## far end's, RECEIVED the script's; INTACT is 1 when the bytes received
  ## are the stream from its start with nothing missing. The far end prints
  ## its counts into the file REPORT.
  ##
  ## idle_cpu: the process's CPU time (cputime: every thread's) over 5 s of
  ## pause, with the port HELD{2} open without a reader, then with one: the
  ## second minus the first is what an idle reader costs.
  ##
  ## read1: 1-byte reads, ROUNDS rounds of one batch of BATCH calls of each, in
  ## a random order: "brindlecast_held" reads bytes its reader holds (fed into
  ## HELD{1}, read from HELD{2}); "floor" (floor_mex) and "brindlecast" (no
  ## reader) read bytes waiting in the device of FLOOR{2}, fed into FLOOR{1}.
  ##
  ## timeout: 20 comreads of 1 byte on the silent HELD{2}, its reader running,
  ## with ReadTimeout 0.05 s, timed by the monotonic clock (seconds).
  line = struct ("BaudRate", 921600, "Parity", "none", "StopBits", 1, "DataBits", 8,
                 "ReadTimeout", 0);
  labels = {"none", "InputBufferSize_1e6"};
  for k = 1:2
    port = line;
    port.PortName = streams{k}{2};
    if (k == 2)
      port.InputBufferSize = 1e6;
    endif
    stream (far_end, report, streams{k}{1}, port, labels{k});
  endfor

  port = line;
  port.PortName = held{2};
  h = brindlecast ("comopen", port);
  idle = cpu_over (5);
  brindlecast ("comclose", h);
  port.InputBufferSize = 1e6;
  h = brindlecast ("comopen", port);
  busy = cpu_over (5);
  printf ("idle_cpu none %.4f\n", idle);
  printf ("idle_cpu reader %.4f\n", busy);
  fflush (stdout);

  ## The floor's descriptor first: brindlecast's exclusive claim would keep a
  ## non-root user's later open out.
  fa = bench_fd ("open", held{1});
  fc = bench_fd ("open", floor{1});
  fd = floor_mex ("open", floor{2});
  bench_fd ("raw", fd);
  port = line;
  port.PortName = floor{2};
  plain = brindlecast ("comopen", port);
  rand ("state", 7);
  for r = 1:rounds
    for impl = randperm (3)
      switch (impl)
        case 1
          bench_fd ("feed", fa, batch);
          wait_held (h, batch);
          t0 = bench_fd ("now");
          for i = 1:batch
            [bytes, n] = brindlecast ("comread", h, 1);
          endfor
          t = bench_fd ("now") - t0;
          name = "brindlecast_held";
        case 2
          bench_fd ("feed", fc, batch);
          bench_fd ("waitfor", fd, batch);
          t0 = bench_fd ("now");
          for i = 1:batch
            [bytes, n] = floor_mex ("comread", fd, 1);
          endfor
          t = bench_fd ("now") - t0;
          name = "floor";
        case 3
          bench_fd ("feed", fc, batch);
          bench_fd ("waitfor", fd, batch);
          t0 = bench_fd ("now");
          for i = 1:batch
            [bytes, n] = brindlecast ("comread", plain, 1);
          endfor
          t = bench_fd ("now") - t0;
          name = "brindlecast";
      endswitch
      if (n != 1)
        error ("%s read %d bytes, not 1", name, n);
      endif
      printf ("%s read1_us %d %.4f\n", name, r, t / batch * 1e6);
    endfor
  endfor
  brindlecast ("comset", h, struct ("ReadTimeout", 0.05));
  for k = 1:20
    t0 = bench_fd ("now");
    [bytes, n] = brindlecast ("comread", h, 1);
    printf ("timeout 0.05 %.6f\n", bench_fd ("now") - t0);
  endfor
  brindlecast ("comclose", h);
  brindlecast ("comclose", plain);
  floor_mex ("close", fd);
  bench_fd ("close", fa);
  bench_fd ("close", fc);
endfunction

function stream (far_end, report, a, port, label)
  if (exist (report, "file"))
    unlink (report);
  endif
  h = brindlecast ("comopen", port);
  system (sprintf ("'%s' '%s' 92160 5 > '%s' &", far_end, a, report));
  received = zeros (1, 0, "uint8");
  next = bench_fd ("now");
  counts = [];
  do
    [bytes, n] = brindlecast ("comread", h, 2e6);
    received = [received, uint8(bytes(1:n))];
    ## The far end's counts once it has ended.
    [info, ok] = stat (report);
    if (ok == 0 && info.size > 0)
      counts = sscanf (fileread (report), "generated %d dropped %d");
    endif
    next += 1;
    pause (max (0, next - bench_fd ("now")));
  until (numel (counts) == 2)
  ## What is still on its way.
  pause (0.5);
  [bytes, n] = brindlecast ("comread", h, 2e6);
  received = [received, uint8(bytes(1:n))];
  brindlecast ("comclose", h);
  intact = numel (received) == counts(1) && isequal (received, uint8 (mod (0:numel (received) - 1, 251)));
  printf ("stream %s %d %d %d %d\n", label, counts(1), counts(2), numel (received), intact);
  fflush (stdout);
endfunction

function percent = cpu_over (seconds)
  t0 = cputime ();
  pause (seconds);
  percent = (cputime () - t0) / seconds * 100;
endfunction

function wait_held (h, count)
  ## comcount counts what the device holds too: once all has arrived, the
  ## reader is given 10 ms to take it (it looks every millisecond).
  give_up = bench_fd ("now") + 5;
  while (brindlecast ("comcount", h) < count)
    if (bench_fd ("now") > give_up)
      error ("the bytes did not arrive");
    endif
    pause (0.001);
  endwhile
  pause (0.01);
endfunction
