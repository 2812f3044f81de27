function bench_octave (a, b, calls, batch, bulk_bytes, chunk, impls, relay, c, d)
  ## One repetition of the Octave side of the benchmark on the socat cable
  ## a <-> b, for the implementations named in impls (a cell array of
  ## "brindlecast", "floor", "serialport", "srl"). Prints one line per
  ## measurement:
  ##   IMPL write1_us ROUND X    per-call time of one batch of 1-byte writes
  ##   IMPL read1_us ROUND X     the same for 1-byte reads
  ##   IMPL bulk_MBps ROUND X    rate of one bulk transfer
  ##   IMPL count_us ROUND X     per-call time of one batch of comcount
  ##   IMPL line32_us ROUND X    per-call time of one batch of 32-byte line reads
  ##
  ## write1: CALLS one-byte writes into a per implementation, in rounds of
  ## one batch of BATCH calls each (b is drained between batches, untimed).
  ## The socat relay (process id RELAY) is stopped while a batch of writes
  ## is timed: otherwise each byte wakes it and the time measured is the
  ## relay's scheduling more than the call; a real port's driver just
  ## queues the byte.
  ## read1: the same for one-byte reads from b with the byte already waiting
  ## (each batch is fed, and has arrived, before its timing starts). With
  ## brindlecast among them, the reads also time "brindlecast_rt1", the
  ## module reading d on the second cable c <-> d through a port opened with
  ## ReadTimeout 1 (its lock keeps a second open of b out). count:
  ## [waiting, unsent] = comcount on b with 1 byte waiting, brindlecast and
  ## the floor only, in rounds as the others. line32: a 32-byte line (31
  ## bytes and LF) already waiting, read with comreadline (maxcount 32, so
  ## that every call reads from the device as the floor does, nothing read
  ## ahead; the port reopened with ReadTimeout 0 for it, as a poll loop has
  ## it) and the floor's 32-byte comread, in batches of 100 lines (3200
  ## bytes, within a pty's queue), and with serialport's readline. That
  ## readline drops what it read past the line, so it gets one line at a
  ## time, each call timed on its own, in batches of 10. bulk:
  ## BULK_BYTES written to a and read from b in chunks of CHUNK bytes, each
  ## chunk written, then read back, in 8 rounds; MB is 10^6 bytes.
  ##
  ## Every implementation holds both ports for the whole run and each round
  ## runs one batch of each, in a fresh random order, so that the machine's
  ## slow spells (it is shared, and a pty write costs about 4 us more in some
  ## stretches than in others) fall on all alike. summarize.py takes the
  ## fastest batch, and the best bulk round, as an implementation's figure.
  ## Loops are written out per implementation: a function handle in the loop
  ## would cost more than some of the calls it times.
  rand ("state", 42);
  fa = bench_fd ("open", a);
  fb = bench_fd ("open", b);
  ## brindlecast last: its exclusive claim would keep a non-root user's
  ## later opens out.
  [~, last] = ismember ("brindlecast", impls);
  if (last)
    impls = [impls([1:last-1, last+1:end]), {"brindlecast"}];
  endif
  n = numel (impls);
  ha = hb = cell (1, n);
  for i = 1:n
    [ha{i}, hb{i}] = open_pair (impls{i}, a, b);
  endfor
  ## Who reads, from which handle, fed through which cable.
  readers = impls;
  rh = hb;
  feed = repmat (fa, 1, n);
  arrive = repmat (fb, 1, n);
  if (last)
    fc = bench_fd ("open", c);
    fd = bench_fd ("open", d);
    line = struct ("BaudRate", 115200, "Parity", "none", "StopBits", 1, "DataBits", 8);
    line.PortName = d;
    line.ReadTimeout = 1;
    readers{end+1} = "brindlecast_rt1";
    rh{end+1} = brindlecast ("comopen", line);
    feed(end+1) = fc;
    arrive(end+1) = fd;
  endif
  counters = find (ismember (impls, {"brindlecast", "floor"}));
  ## The peers set the line's read time-outs as they like (VMIN 0 for some)
  ## when they open it: from here on, raw mode with reads that wait.
  bench_fd ("raw", fa);
  bench_fd ("raw", fb);
  byte = uint8 (120);
  payload = uint8 (mod (0:bulk_bytes-1, 251));
  batches = floor (calls / batch);

  write1 = zeros (n, batches);
  read1 = zeros (numel (readers), batches);
  for k = 1:batches
    for i = randperm (n)
      kill (relay, SIG ().STOP);
      write1(i,k) = write_batch (impls{i}, ha{i}, byte, batch);
      kill (relay, SIG ().CONT);
      bench_fd ("drain", fb, batch);
    endfor
  endfor

  for k = 1:batches
    for i = randperm (numel (readers))
      bench_fd ("feed", feed(i), batch);
      bench_fd ("waitfor", arrive(i), batch);
      read1(i,k) = read_batch (readers{i}, rh{i}, batch);
    endfor
  endfor

  count = zeros (n, batches);
  bench_fd ("feed", fa, 1);
  bench_fd ("waitfor", fb, 1);
  for k = 1:batches
    for i = counters(randperm (numel (counters)))
      count(i,k) = count_batch (impls{i}, hb{i}, batch);
    endfor
  endfor
  bench_fd ("drain", fb, 1);

  liners = find (ismember (impls, {"brindlecast", "floor", "serialport"}));
  line_batch_size = min (batch, 100);
  line32 = zeros (n, batches);
  if (last)
    polled = line;
    polled.PortName = b;
    polled.ReadTimeout = 0;
    hb{n} = brindlecast ("comopen", polled);
  endif
  for k = 1:batches
    for i = liners(randperm (numel (liners)))
      if (strcmp (impls{i}, "serialport"))
        line32(i,k) = readline_each (hb{i}, fa, fb, 10);  # about 1 ms a call
      else
        bench_fd ("feedlines", fa, line_batch_size);
        bench_fd ("waitfor", fb, line_batch_size * 32);
        line32(i,k) = line_batch (impls{i}, hb{i}, line_batch_size);
      endif
    endfor
  endfor
  if (last)
    hb{n} = brindlecast ("comopen", rmfield (polled, "ReadTimeout"));
  endif

  bulk_rounds = 8;
  seconds = zeros (n, bulk_rounds);
  for k = 1:bulk_rounds
    for i = randperm (n)
      seconds(i,k) = bulk (impls{i}, ha{i}, hb{i}, payload, chunk);
    endfor
  endfor

  for i = 1:n
    for k = 1:batches
      printf ("%s write1_us %d %.4f\n", impls{i}, k, write1(i,k) * 1e6);
      printf ("%s read1_us %d %.4f\n", impls{i}, k, read1(i,k) * 1e6);
      if (any (counters == i))
        printf ("%s count_us %d %.4f\n", impls{i}, k, count(i,k) * 1e6);
      endif
      if (any (liners == i))
        printf ("%s line32_us %d %.4f\n", impls{i}, k, line32(i,k) * 1e6);
      endif
    endfor
    for k = 1:bulk_rounds
      printf ("%s bulk_MBps %d %.3f\n", impls{i}, k, bulk_bytes / seconds(i,k) / 1e6);
    endfor
  endfor
  if (last)
    for k = 1:batches
      printf ("brindlecast_rt1 read1_us %d %.4f\n", k, read1(end,k) * 1e6);
    endfor
    brindlecast ("comclose", rh{end});
    bench_fd ("close", fc);
    bench_fd ("close", fd);
  endif
  for i = n:-1:1
    close_pair (impls{i}, ha{i}, hb{i});
  endfor
  bench_fd ("close", fa);
  bench_fd ("close", fb);
endfunction

function [ha, hb] = open_pair (impl, a, b)
  switch (impl)
    case "brindlecast"
      line = struct ("BaudRate", 115200, "Parity", "none", "StopBits", 1, "DataBits", 8);
      line.PortName = a;
      ha = brindlecast ("comopen", line);
      line.PortName = b;
      hb = brindlecast ("comopen", line);
    case "floor"
      ha = floor_mex ("open", a);
      hb = floor_mex ("open", b);
    case "serialport"
      ha = serialport (a, "BaudRate", 115200, "Timeout", 5);
      hb = serialport (b, "BaudRate", 115200, "Timeout", 5);
    case "srl"
      ha = serial (a, 115200, 50);  # time-out in tenths of a second
      hb = serial (b, 115200, 50);
    otherwise
      error ("unknown implementation %s", impl);
  endswitch
endfunction

function close_pair (impl, ha, hb)
  switch (impl)
    case "brindlecast"
      brindlecast ("comclose", ha);
      brindlecast ("comclose", hb);
    case "floor"
      floor_mex ("close", ha);
      floor_mex ("close", hb);
    case "serialport"
      ## The object closes its port when the last copy goes.
    case "srl"
      fclose (ha);
      fclose (hb);
  endswitch
endfunction

function t = write_batch (impl, h, byte, batch)
  switch (impl)
    case "brindlecast"
      t0 = tic ();
      for k = 1:batch
        n = brindlecast ("comwrite", h, byte, 1);
      endfor
      t = toc (t0);
    case "floor"
      t0 = tic ();
      for k = 1:batch
        n = floor_mex ("comwrite", h, byte, 1);
      endfor
      t = toc (t0);
    case "serialport"
      t0 = tic ();
      for k = 1:batch
        n = write (h, byte);
      endfor
      t = toc (t0);
    case "srl"
      t0 = tic ();
      for k = 1:batch
        n = srl_write (h, byte);
      endfor
      t = toc (t0);
  endswitch
  if (n != 1)
    error ("%s wrote %d bytes, not 1", impl, n);
  endif
  t /= batch;
endfunction

function t = read_batch (impl, h, batch)
  switch (impl)
    case {"brindlecast", "brindlecast_rt1"}
      t0 = tic ();
      for k = 1:batch
        [bytes, n] = brindlecast ("comread", h, 1);
      endfor
      t = toc (t0);
    case "floor"
      t0 = tic ();
      for k = 1:batch
        [bytes, n] = floor_mex ("comread", h, 1);
      endfor
      t = toc (t0);
    case "serialport"
      t0 = tic ();
      for k = 1:batch
        bytes = read (h, 1);
      endfor
      t = toc (t0);
      n = numel (bytes);
    case "srl"
      t0 = tic ();
      for k = 1:batch
        [bytes, n] = srl_read (h, 1);
      endfor
      t = toc (t0);
  endswitch
  if (n != 1 || bytes != 120)
    error ("%s read %d bytes, not the 1 fed", impl, n);
  endif
  t /= batch;
endfunction

function t = count_batch (impl, h, batch)
  switch (impl)
    case "brindlecast"
      t0 = tic ();
      for k = 1:batch
        [waiting, unsent] = brindlecast ("comcount", h);
      endfor
      t = toc (t0);
    case "floor"
      t0 = tic ();
      for k = 1:batch
        [waiting, unsent] = floor_mex ("comcount", h);
      endfor
      t = toc (t0);
  endswitch
  if (waiting != 1 || unsent != 0)
    error ("%s counted %d waiting and %d unsent, not 1 and 0", impl, waiting, unsent);
  endif
  t /= batch;
endfunction

function t = line_batch (impl, h, batch)
  switch (impl)
    case "brindlecast"
      t0 = tic ();
      for k = 1:batch
        [bytes, n] = brindlecast ("comreadline", h, 32);
      endfor
      t = toc (t0);
    case "floor"
      t0 = tic ();
      for k = 1:batch
        [bytes, n] = floor_mex ("comread", h, 32);
      endfor
      t = toc (t0);
  endswitch
  if (n != 32 || bytes(end) != 10)
    error ("%s read %d bytes, not the 32 of a line", impl, n);
  endif
  t /= batch;
endfunction

function t = readline_each (h, fa, fb, batch)
  t = 0;
  for k = 1:batch
    bench_fd ("feedlines", fa, 1);
    bench_fd ("waitfor", fb, 32);
    t0 = tic ();
    text = readline (h);
    t += toc (t0);
    if (numel (text) != 31)  # the line without its LF
      error ("serialport readline gave %d characters, not the 31 of a line", numel (text));
    endif
  endfor
  t /= batch;
endfunction

function seconds = bulk (impl, ha, hb, payload, chunk)
  total = numel (payload);
  got = zeros (1, total);
  switch (impl)
    case "brindlecast"
      t0 = tic ();
      for first = 1:chunk:total
        brindlecast ("comwrite", ha, payload(first:first+chunk-1), chunk);
        [got(first:first+chunk-1), n] = brindlecast ("comread", hb, chunk);
      endfor
      seconds = toc (t0);
    case "floor"
      t0 = tic ();
      for first = 1:chunk:total
        floor_mex ("comwrite", ha, payload(first:first+chunk-1), chunk);
        [got(first:first+chunk-1), n] = floor_mex ("comread", hb, chunk);
      endfor
      seconds = toc (t0);
    case "serialport"
      t0 = tic ();
      for first = 1:chunk:total
        write (ha, payload(first:first+chunk-1));
        got(first:first+chunk-1) = read (hb, chunk);
      endfor
      seconds = toc (t0);
    case "srl"
      t0 = tic ();
      for first = 1:chunk:total
        srl_write (ha, payload(first:first+chunk-1));
        ## srl_read returns what one read() gave; ask again for the rest.
        part = first;
        while (part < first + chunk)
          [data, n] = srl_read (hb, first + chunk - part);
          if (n <= 0)
            error ("srl_read timed out");
          endif
          got(part:part+n-1) = data;
          part += n;
        endwhile
      endfor
      seconds = toc (t0);
  endswitch
  if (! isequal (got, double (payload)))
    error ("%s: the bulk transfer did not arrive intact", impl);
  endif
endfunction
