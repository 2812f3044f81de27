function bench_roundtrip (port, calls, batch)
  ## A query and its reply over the socat cable: brindlecast writes the 6
  ## bytes "*IDN?\n" to PORT and reads the 32-byte line bench/line_responder.py
  ## answers from the far end, CALLS times in batches of BATCH. Prints
  ## "brindlecast rtt_us ROUND X", the per-round-trip time of each batch.
  settings = struct ("PortName", port, "BaudRate", 115200, "Parity", "none", ...
                     "StopBits", 1, "DataBits", 8, "ReadTimeout", 1);
  id = brindlecast ("comopen", settings);
  query = [uint8("*IDN?") 10];
  for k = 1:max (1, floor (calls / batch))
    t0 = tic ();
    for j = 1:batch
      brindlecast ("comwrite", id, query, 6);
      [reply, n] = brindlecast ("comreadline", id, 64);
    endfor
    t = toc (t0);
    if (n != 32)
      error ("brindlecast got %d bytes of the reply, not 32", n);
    endif
    printf ("brindlecast rtt_us %d %.4f\n", k, t / batch * 1e6);
  endfor
  brindlecast ("comclose", id);
endfunction
