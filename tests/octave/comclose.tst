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

%!test
%! ## A port's reader holds more than the cable can while the script makes no
%! ## call, and clearing the module (clear brindlecast, then clear functions)
%! ## stops it: the threads are back to their count and the port opens again.
%! ## (Octave 7's "clear mex" clears a function called mex, not the module.)
%! clear brindlecast;
%! cable = make_cable ();
%! threads = @() numel (dir ("/proc/self/task")) - 2;
%! before = threads ();
%! unwind_protect
%!   for clearing = {"brindlecast", "functions"}
%!     a = brindlecast ("comopen", struct ("PortName", cable.a, "WriteTimeout", 5));
%!     b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0,
%!                                         "InputBufferSize", 65536));
%!     assert (threads (), before + 1);
%!     stream = uint8 (mod (0:49999, 251));
%!     assert (brindlecast ("comwrite", a, stream, 50000), 50000);
%!     pause (0.2);
%!     [data, n] = brindlecast ("comread", b, 60000);
%!     assert ({n, isequal(data, double(stream))}, {50000, true});
%!     brindlecast ("comwrite", a, stream, 100);
%!     pause (0.1);
%!     eval (["clear " clearing{1}]);
%!     for attempt = 1:100  # a joined thread leaves the list a moment later
%!       if (threads () == before)
%!         break;
%!       endif
%!       pause (0.01);
%!     endfor
%!     assert (threads (), before);
%!   endfor
%!   b = brindlecast ("comopen", struct ("PortName", cable.b));
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect
