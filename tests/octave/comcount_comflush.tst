## comcount and comflush through Octave on a socat null-modem cable.

%!test
%! clear brindlecast;
%! cable = make_cable ();
%! unwind_protect
%!   a = brindlecast ("comopen", struct ("PortName", cable.a));
%!   b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0));
%!   [waiting, unsent] = brindlecast ("comcount", b);
%!   assert ({waiting, unsent >= 0, unsent == fix(unsent)}, {0, true, true});
%!   brindlecast ("comwrite", a, uint8 (1:5), 5);
%!   for attempt = 1:100
%!     if (brindlecast ("comcount", b) == 5)
%!       break;
%!     endif
%!     pause (0.01);
%!   endfor
%!   assert (brindlecast ("comcount", b), 5);
%!   brindlecast ("comflush", b, "Input");
%!   [data, n] = brindlecast ("comread", b, 5);
%!   assert ({data, n, brindlecast("comcount", b)}, {zeros(1, 0), 0, 0});
%!   brindlecast ("comflush", b, "OUTPUT");
%!   brindlecast ("comflush", b);
%!   c = "QUENTAROX:brindlecast:comcount";
%!   f = "QUENTAROX:brindlecast:comflush";
%!   expect_error (@() brindlecast ("comcount", b, 1), c, "Invalid number of inputs to COMCOUNT.");
%!   expect_error (@() brindlecast ("comcount", a + b), c, "Cannot query the port.");
%!   expect_error (@() brindlecast ("comflush", b, "in"), f, "Invalid buffer in input to COMFLUSH.");
%!   expect_error (@() brindlecast ("comflush", a + b), f, "Cannot flush the port.");
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect
