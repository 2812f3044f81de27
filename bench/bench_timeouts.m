function bench_timeouts (b, tries, timeouts)
  ## How closely comread keeps a port's ReadTimeout: for each time-out in
  ## timeouts (seconds), opens b with it and times TRIES 1-byte reads on the
  ## silent line by the monotonic clock, each followed by a comreadline of
  ## up to 64 bytes timed the same way. Prints one line per read:
  ##   TIMEOUT ELAPSED              comread, both in seconds
  ##   comreadline TIMEOUT ELAPSED  comreadline
  ## The time taken includes the two calls around it (about 10 us), small
  ## beside the milliseconds judged. A read that returns a byte is an error:
  ## nothing is sent on the line.
  line = struct ("PortName", b, "BaudRate", 115200, "Parity", "none", "StopBits", 1,
                 "DataBits", 8);
  for timeout = timeouts
    line.ReadTimeout = timeout;
    h = brindlecast ("comopen", line);
    for k = 1:tries
      t0 = bench_fd ("now");
      [bytes, n] = brindlecast ("comread", h, 1);
      elapsed = bench_fd ("now") - t0;
      if (n != 0)
        error ("comread returned %d bytes from a silent line", n);
      endif
      printf ("%g %.6f\n", timeout, elapsed);
      t0 = bench_fd ("now");
      [bytes, n] = brindlecast ("comreadline", h, 64);
      elapsed = bench_fd ("now") - t0;
      if (n != 0)
        error ("comreadline returned %d bytes from a silent line", n);
      endif
      printf ("comreadline %g %.6f\n", timeout, elapsed);
      fflush (stdout);
    endfor
    brindlecast ("comclose", h);
  endfor
endfunction
