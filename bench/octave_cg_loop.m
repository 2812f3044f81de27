function octave_cg_loop (impl, op, a, b, n)
  ## n calls of one kind, for counting under callgrind (bench/run): impl is
  ## "brindlecast", "floor" or "srl" (instrument-control, loaded by the
  ## caller), op "write" (1 byte into a) or "read" (1 byte from b, all n
  ## bytes waiting before the loop starts).
  fa = bench_fd ("open", a);
  fb = bench_fd ("open", b);
  if (strcmp (impl, "brindlecast"))
    line = struct ("PortName", a, "BaudRate", 115200);
    ha = brindlecast ("comopen", line);
    line.PortName = b;
    hb = brindlecast ("comopen", line);
  elseif (strcmp (impl, "srl"))
    ha = serial (a, 115200, 50);
    hb = serial (b, 115200, 50);
    bench_fd ("raw", fa);
    bench_fd ("raw", fb);
  else
    ha = floor_mex ("open", a);
    hb = floor_mex ("open", b);
  endif
  byte = uint8 (120);
  if (strcmp (op, "read"))
    bench_fd ("feed", fa, n);
    bench_fd ("waitfor", fb, n);
  endif
  switch ([impl "-" op])
    case "brindlecast-write"
      for k = 1:n
        x = brindlecast ("comwrite", ha, byte, 1);
      endfor
    case "brindlecast-read"
      for k = 1:n
        [x, m] = brindlecast ("comread", hb, 1);
      endfor
    case "floor-write"
      for k = 1:n
        x = floor_mex ("comwrite", ha, byte, 1);
      endfor
    case "floor-read"
      for k = 1:n
        [x, m] = floor_mex ("comread", hb, 1);
      endfor
    case "srl-write"
      for k = 1:n
        x = srl_write (ha, byte);
      endfor
    case "srl-read"
      for k = 1:n
        [x, m] = srl_read (hb, 1);
      endfor
  endswitch
endfunction
