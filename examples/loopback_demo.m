function loopback_demo (end_a, end_b)
  ## A conversation over a null-modem cable: the two ends of the cable are
  ## opened as two serial ports, text and numbers go one way, a reply comes
  ## back the other, and both ports are closed again.
  ##
  ##   loopback_demo ("/tmp/cable/a", "/tmp/cable/b")
  line = struct ("BaudRate", 115200, "Parity", "none", "StopBits", 1, "DataBits", 8);

  instrument = line;  instrument.PortName = end_a;
  controller = line;  controller.PortName = end_b;
  a = brindlecast ("comopen", instrument);
  b = brindlecast ("comopen", controller);
  printf ("Opened %s as FileID %d and %s as FileID %d (115200 baud, 8N1).\n\n",
          end_a, a, end_b, b);

  query = "MEAS:VOLT?";
  sent = brindlecast ("comwrite", b, query, numel (query));
  [bytes, n] = brindlecast ("comread", a, sent);
  printf ("controller -> instrument  %2d bytes  text    \"%s\"\n", n, char (bytes));

  reading = single ([3.3 -0.25 12]);
  sent = brindlecast ("comwrite", a, reading, numel (reading));
  [bytes, n] = brindlecast ("comread", b, sent);
  printf ("instrument -> controller  %2d bytes  single  [%s]\n", n,
          num2str (typecast (uint8 (bytes), "single"), "%g "));

  status = uint8 ([6 0 255]);
  sent = brindlecast ("comwrite", a, status, numel (status));
  [bytes, n] = brindlecast ("comread", b, sent);
  printf ("instrument -> controller  %2d bytes  uint8   [%s]\n", n, num2str (bytes));

  brindlecast ("comclose", a);
  brindlecast ("comclose", b);
  printf ("\nClosed both ports.\n");
endfunction
