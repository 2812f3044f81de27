## comclose through Octave.

%!test
%! clear brindlecast;
%! cable = make_cable ();
%! unwind_protect
%!   a = brindlecast ("comopen", struct ("PortName", cable.a));
%!   b = brindlecast ("comopen", struct ("PortName", cable.b));
%!   for wrong = {-(a + 0.9), NaN, 0, a + b}
%!     expect_error (@() brindlecast ("comclose", wrong{1}), "QUENTAROX:brindlecast:comclose",
%!                   "Cannot close the port.");
%!   endfor
%!   brindlecast ("comclose", a + 0.9);
%!   expect_error (@() brindlecast ("comclose", a), "QUENTAROX:brindlecast:comclose",
%!                 "Cannot close the port.");
%!   ## The other port still works, and the closed device opens again at once.
%!   a = brindlecast ("comopen", struct ("PortName", cable.a));
%!   assert (brindlecast ("comwrite", b, "hi", 2), 2);
%!   [data, n] = brindlecast ("comread", a, 2);
%!   assert (char (data), "hi");
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect
