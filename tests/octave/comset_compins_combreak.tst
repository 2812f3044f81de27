## comset, compins and combreak through Octave on a socat null-modem cable.

%!test
%! clear brindlecast;
%! cable = make_cable ();
%! unwind_protect
%!   port = struct ("PortName", cable.a, "BaudRate", 9600, "WriteTimeout", 0.3);
%!   a = brindlecast ("comopen", port);
%!   port.BaudRate = 19200;
%!   port.StopBits = 2;
%!   port.ReadTimeout = 0.1;
%!   brindlecast ("comset", a, rmfield (port, "WriteTimeout"));
%!   line = line_settings (cable.a);
%!   assert ({line.speed, line.cstopb}, {19200, true});
%!   tic;  # the far end reads nothing: the write ends at its kept time-out
%!   assert (brindlecast ("comwrite", a, zeros (1, 2^20, "uint8"), 2^20) < 2^20);
%!   assert (toc >= 0.3);
%!   s = "QUENTAROX:brindlecast:comset";
%!   expect_error (@() brindlecast ("comset", a, struct ("BaudRate", -5)), s,
%!                 "Error Setting Comm State.");
%!   expect_error (@() brindlecast ("comset", a, struct ("BaudRate", 300, "DTR", NaN)), s,
%!                 "Invalid DTR in input to COMSET.");
%!   assert (line_settings (cable.a).speed, 19200);
%!   brindlecast ("comset", a, struct ("BaudRate", 250000, "DTR", true));
%!   expect_error (@() brindlecast ("compins", a), "QUENTAROX:brindlecast:compins",
%!                 "Cannot read the pins.");
%!   tic;
%!   brindlecast ("combreak", a, 0.05);
%!   assert (toc >= 0.05);
%!   expect_error (@() brindlecast ("comopen", setfield (port, "BaudRate", -5)),
%!                 "QUENTAROX:brindlecast:comopen", "Error Setting Comm State.");
%!   a = brindlecast ("comopen", port);
%!   cut_cable (cable);  # the port is lost: each mode's own error, and the module goes on
%!   expect_error (@() brindlecast ("comset", a, port), s, "Error Setting Comm State.");
%!   expect_error (@() brindlecast ("combreak", a, 0.01), "QUENTAROX:brindlecast:combreak",
%!                 "Cannot send a break.");
%!   brindlecast ("comclose", a);
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect
