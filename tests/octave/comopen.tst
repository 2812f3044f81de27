## comopen through Octave on a socat null-modem cable.

%!shared cable
%! cable = make_cable ();

%!test
%! clear brindlecast;
%! id = brindlecast ("comopen", struct ("PortName", cable.a));
%! assert (id, port_id (cable.a));
%! ## Opening the same name again replaces the entry: still usable, same id.
%! assert (brindlecast ("comopen", struct ("PortName", cable.a)), id);
%! brindlecast ("comclose", id);
%! expect_error (@() brindlecast ("comclose", id), "QUENTAROX:brindlecast:comclose",
%!               "Cannot close the port.");

%!test
%! clear brindlecast;
%! id = "QUENTAROX:brindlecast:comopen";
%! good = struct ("PortName", cable.a);
%! expect_error (@() brindlecast ("comopen", good, 1), id, "Invalid number of inputs to COMOPEN.");
%! expect_error (@() brindlecast ("comopen", cable.a), id,
%!               "The first input to COMOPEN must be a valid QUENTAROX object.");
%! bad_names = {struct("BaudRate", 9600), struct("PortName", ""), struct("PortName", 42), ...
%!              struct("PortName", {}), struct("PortName", {"", "x"})};
%! for k = 1:numel (bad_names)
%!   expect_error (@() brindlecast ("comopen", bad_names{k}), id,
%!                 "Invalid PortName in input to COMOPEN.");
%! endfor
%! expect_error (@() brindlecast ("comopen", struct ("PortName", [cable.a "-missing"])), id,
%!               "Cannot open com port.");
%! expect_error (@() brindlecast ("comopen", struct ("PortName", "/dev/null")), id,
%!               "Error Setting Comm State.");
%! expect_error (@() brindlecast ("comopen", struct ("PortName", cable.a, "BaudRate", NaN)), id,
%!               "Error Setting Comm State.");
%! expect_error (@() brindlecast ("comopen", struct ("PortName", cable.a, "DataBits", 9)), id,
%!               "Error Setting Comm State.");
%! ## None of these left the device held.
%! brindlecast ("comclose", brindlecast ("comopen", good));

## The same device under a second name (another FileID) is refused while the
## first holds it, and the first stays usable.
%!test
%! clear brindlecast;
%! a = brindlecast ("comopen", struct ("PortName", cable.a));
%! b = brindlecast ("comopen", struct ("PortName", cable.b));
%! alias = [cable.a "-alias"];
%! symlink (cable.a, alias);
%! unwind_protect
%!   expect_error (@() brindlecast ("comopen", struct ("PortName", alias)),
%!                 "QUENTAROX:brindlecast:comopen", "Cannot open com port.");
%!   assert (brindlecast ("comwrite", a, uint8 ([7 8]), 2), 2);
%!   [data, n] = brindlecast ("comread", b, 2);
%!   assert ({data, n}, {[7 8], 2});
%! unwind_protect_cleanup
%!   unlink (alias);
%!   clear brindlecast;
%! end_unwind_protect

%!test
%! clear brindlecast;
%! open_with = @(varargin) brindlecast ("comclose", brindlecast ("comopen",
%!                                       struct ("PortName", cable.a, varargin{:})));
%! open_with ("BaudRate", 300.7, "StopBits", 2, "Parity", "ODD");
%! s = line_settings (cable.a);
%! assert ([s.speed s.cstopb s.parodd s.cmspar], [300 1 1 0]);
%! open_with ("BaudRate", 115200, "StopBits", 1, "Parity", "Space");
%! s = line_settings (cable.a);
%! assert ([s.speed s.cstopb s.parodd s.cmspar], [115200 0 0 1]);
%! ## Unknown words and stop bits leave the line as it was.
%! open_with ("Parity", "space ", "StopBits", 1.25);
%! open_with ("Parity", 3, "StopBits", NaN);
%! s = line_settings (cable.a);
%! assert ([s.speed s.cstopb s.parodd s.cmspar], [115200 0 0 1]);
%! open_with ("Parity", "mark", "DataBits", 7, "BaudRate", 9600);
%! s = line_settings (cable.a);
%! assert ([s.speed s.parodd s.cmspar], [9600 1 1]);

## Number fields that hold no number: the open fails with the module's own
## error and the device closed, or, for StopBits, leaves the stop bits alone.
## Flow control words set the line's flags; refused control fields leave an
## earlier port with the same FileID open.
%!test
%! clear brindlecast;
%! id = "QUENTAROX:brindlecast:comopen";
%! open_with = @(varargin) brindlecast ("comopen", struct ("PortName", cable.a, varargin{:}));
%! brindlecast ("comclose", open_with ("StopBits", 2));
%! for v = {[], {}, {1}, struct(), zeros(1, 0, "uint8"), @sin}
%!   expect_error (@() open_with ("BaudRate", v), id, "Error Setting Comm State.");
%!   expect_error (@() open_with ("DataBits", v), id, "Error Setting Comm State.");
%!   brindlecast ("comclose", open_with ("StopBits", v));
%!   assert (line_settings (cable.a).cstopb, true);
%! endfor
%! brindlecast ("comclose", open_with ("FlowControl", "HARDWARE"));
%! assert (line_settings (cable.a).crtscts, true);
%! brindlecast ("comclose", open_with ("FlowControl", "software"));
%! assert ([line_settings(cable.a).crtscts line_settings(cable.a).ixon], [false true]);
%! a = open_with ("FlowControl", "none", "DTR", true, "ReadTimeout", 0);
%! assert (line_settings (cable.a).ixon, false);
%! refused = {{"ReadTimeout", -1}, "Invalid ReadTimeout in input to COMOPEN.",
%!            {"WriteTimeout", 0}, "Invalid WriteTimeout in input to COMOPEN.",
%!            {"DTR", [1 0]}, "Invalid DTR in input to COMOPEN.",
%!            {"FlowControl", "hardware", "RTS", 1}, "Invalid RTS in input to COMOPEN.",
%!            {"FlowControl", "xon"}, "Invalid FlowControl in input to COMOPEN."};
%! for k = 1:rows (refused)
%!   expect_error (@() open_with (refused{k, 1}{:}), id, refused{k, 2});
%! endfor
%! assert (brindlecast ("comcount", a), 0);

%!test
%! clear brindlecast;
%! cut_cable (cable);
