function bench_object (ports, relays, rounds, batch)
  ## brindleport against the floor of an object (bench/bare_port.m, the
  ## same module calls in a bare classdef method), the module's own calls
  ## and instrument-control's serialport object, in one run:
  ##   write1  a 1-byte write (uint8)
  ##   read1   a 1-byte read, the byte already there
  ##   line32  readline of a 32-byte line (31 bytes and LF) already there
  ##   rtt     writeread of "*IDN?" (6 bytes with LF), answered with a
  ##           32-byte line by bench/line_responder.py at the far end
  ## ports: {a, b, c, e, f, g}. The object, the floor (on the object's
  ## FileID) and the module use a (its far end b fed and drained through
  ## bench_fd) and c (bench/line_responder.py at its far end); serialport
  ## uses e (far end f) and g (a responder of its own): brindleport's
  ## reader (InputBufferSize) would take serialport's bytes on a shared
  ## line. relays: the socat process ids of a<->b and e<->f, stopped while
  ## writes are timed (as
  ## bench_octave.m does). Each round times one batch of each
  ## implementation in a fresh random order; an implementation's figure is
  ## its fastest batch, and the ratios are of those figures. serialport's
  ## readline drops what it read past the line, so it gets one line at a
  ## time, each call timed on its own.
  rand ("state", 7);
  [a, b, c, e, f, g] = deal (ports{:});
  p = brindleport (a, 115200, "Timeout", 5);
  floor_obj = bare_port (p.FileID);
  id = p.FileID;
  q = brindleport (c, 115200, "Timeout", 5);
  qfloor = bare_port (q.FileID);
  fb = bench_fd ("open", b);
  impls = {"object", "floor", "module"};
  peer = exist ("serialport") > 0;   # instrument-control, when loaded
  s = sq = [];
  ff = bench_fd ("open", f);
  if (peer)
    s = serialport (e, "BaudRate", 115200, "Timeout", 5);
    sq = serialport (g, "BaudRate", 115200, "Timeout", 5);
    configureTerminator (sq, "LF");
    bench_fd ("raw", ff);
    impls{end+1} = "serialport";
  endif
  metrics = {"write1", "read1", "line32", "rtt"};
  t = inf (numel (impls), numel (metrics));
  query = [uint8("*IDN?") 10];
  squery = "*IDN?";
  x = uint8 (120);
  for r = 1:rounds
    for i = randperm (numel (impls))
      impl = impls{i};
      ## write1
      serial = strcmp (impl, "serialport");
      relay = relays(1 + serial);
      far = fb;
      if (serial)
        far = ff;
      endif
      kill (relay, SIG ().STOP);
      switch (impl)
        case "object"
          t0 = tic (); for k = 1:batch, write (p, x); end; w = toc (t0);
        case "floor"
          t0 = tic (); for k = 1:batch, write (floor_obj, x); end; w = toc (t0);
        case "module"
          t0 = tic (); for k = 1:batch, n = brindlecast ("comwrite", id, x, 1); end; w = toc (t0);
        case "serialport"
          t0 = tic (); for k = 1:batch, write (s, x); end; w = toc (t0);
      endswitch
      kill (relay, SIG ().CONT);
      bench_fd ("drain", far, batch);
      t(i,1) = min (t(i,1), w / batch);
      ## read1: batch bytes fed from the far end, all arrived first
      bench_fd ("feed", far, batch);
      arrived (impl, p, s, batch);
      switch (impl)
        case "object"
          t0 = tic (); for k = 1:batch, v = read (p, 1); end; w = toc (t0);
        case "floor"
          t0 = tic (); for k = 1:batch, v = read (floor_obj, 1); end; w = toc (t0);
        case "module"
          t0 = tic (); for k = 1:batch, [v, n] = brindlecast ("comread", id, 1); end; w = toc (t0);
        case "serialport"
          t0 = tic (); for k = 1:batch, v = read (s, 1); end; w = toc (t0);
      endswitch
      check (impl, "read1", v, 120);
      t(i,2) = min (t(i,2), w / batch);
      ## line32
      lines = min (batch, 100);
      if (serial)
        w = 0;
        for k = 1:10
          bench_fd ("feedlines", far, 1);
          arrived (impl, p, s, 32);
          t0 = tic (); v = readline (s); w += toc (t0);
        endfor
        check (impl, "line32", numel (v), 31);
        t(i,3) = min (t(i,3), w / 10);
      else
        bench_fd ("feedlines", far, lines);
        arrived (impl, p, s, 32 * lines);
        switch (impl)
          case "object"
            t0 = tic (); for k = 1:lines, v = readline (p); end; w = toc (t0);
          case "floor"
            t0 = tic (); for k = 1:lines, v = readline (floor_obj); end; w = toc (t0);
          case "module"
            t0 = tic (); for k = 1:lines, [v, n] = brindlecast ("comreadline", id, 4096, 10); end; w = toc (t0);
        endswitch
        check (impl, "line32", numel (v) - strcmp (impl, "module"), 31);
        t(i,3) = min (t(i,3), w / lines);
      endif
      ## rtt
      m = max (1, floor (batch / 4));
      switch (impl)
        case "object"
          t0 = tic (); for k = 1:m, v = writeread (q, "*IDN?"); end; w = toc (t0);
        case "floor"
          t0 = tic (); for k = 1:m, v = writeread (qfloor, query); end; w = toc (t0);
        case "module"
          qid = q.FileID;
          t0 = tic ();
          for k = 1:m
            n = brindlecast ("comwrite", qid, query, 6);
            [v, n] = brindlecast ("comreadline", qid, 4096, 10);
          end
          w = toc (t0);
        case "serialport"
          continue;  # below, once
      endswitch
      check (impl, "rtt", numel (v) - strcmp (impl, "module"), 31);
      t(i,4) = min (t(i,4), w / m);
    endfor
  endfor
  ## instrument-control's readline asks for 100 bytes when none are waiting
  ## yet, as right after writeline, so its writeread returns at the
  ## Timeout: timed with a Timeout of 0.2 s, a few calls.
  if (peer)
    sq.Timeout = 0.2;
    w = 0;
    for k = 1:3
      t0 = tic (); v = writeread (sq, squery); w += toc (t0);
      check ("serialport", "rtt", numel (v), 31);
    endfor
    t(4,4) = w / 3;
  endif
  t *= 1e6;
  printf ("brindleport object: fastest batch of %d rounds, us per call\n", rounds);
  printf ("%-12s%10s%10s%10s%10s\n", "", metrics{:});
  for i = 1:numel (impls)
    printf ("%-12s%10.2f%10.2f%10.2f%10.2f\n", impls{i}, t(i,:));
  endfor
  printf ("%-24s%10.2f%10.2f%10.2f%10.2f   target <= 1.25 (each)\n", "object / floor", t(1,:) ./ t(2,:));
  printf ("%-24s%10.2f%10.2f%10.2f%10.2f\n", "object / module", t(1,:) ./ t(3,:));
  if (peer)
    printf ("%-24s%10.2f%10.2f%10.2f%10.2f   target >= 2 for line32, rtt\n", "serialport / object", t(4,:) ./ t(1,:));
  endif
  delete (p);
  delete (q);
  bench_fd ("close", fb);
  bench_fd ("close", ff);
endfunction

function arrived (impl, p, s, n)
  ## Waits until n bytes are there for impl (the object's reader may
  ## already hold them, so ask the port, not the tty).
  for k = 1:5000
    if (strcmp (impl, "serialport"))
      got = s.NumBytesAvailable;
    else
      got = p.NumBytesAvailable;
    endif
    if (got >= n)
      return;
    endif
    pause (0.001);
  endfor
  error ("bench_object: %d bytes did not arrive for %s", n, impl);
endfunction

function check (impl, metric, got, expected)
  if (! isequal (got, expected))
    error ("bench_object: %s %s gave %s, not %s", impl, metric, mat2str (got), mat2str (expected));
  endif
endfunction
