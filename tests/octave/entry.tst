## The entry point's own refusals, through Octave's MEX host.

%!test
%! clear brindlecast;
%! id = "QUENTAROX:brindlecast";
%! nine = repmat ({1}, 1, 8);
%! expect_error (@() brindlecast (), id, "Invalid number of input arguments.");
%! expect_error (@() brindlecast ("comopen"), id, "Invalid number of input arguments.");
%! expect_error (@() brindlecast ("comread", nine{:}), id, "Invalid number of input arguments.");
%! expect_error (@() brindlecast (42, 1), id, "First input to BRINDLECAST must be a string.");
%! expect_error (@() brindlecast ({"comopen"}, 1), id, "First input to BRINDLECAST must be a string.");

%!test
%! id = "QUENTAROX:brindlecast";
%! for mode = {"COMOPEN", "comOpen", "comopen ", "comopenx", "", "comclos", "com"}
%!   expect_error (@() brindlecast (mode{1}, 1), id, "Unrecognized mode for BRINDLECAST.");
%! endfor

## The first call of a load registers the exit hook even when it fails at the
## mode word: ports opened later are still closed, with the warning, on clear.
%!test
%! clear brindlecast;
%! expect_error (@() brindlecast ("nosuchmode", 1), "QUENTAROX:brindlecast",
%!               "Unrecognized mode for BRINDLECAST.");
%! cable = make_cable ();
%! unwind_protect
%!   brindlecast ("comopen", struct ("PortName", cable.a));
%!   lastwarn ("");
%!   clear brindlecast;
%!   assert (lastwarn (), ["Closing all open Serial Port. It is no longer possible " ...
%!                         "to write to any previously open Serial Port."]);
%!   ## The device was closed: it opens again, exclusively.
%!   id = brindlecast ("comopen", struct ("PortName", cable.a));
%!   brindlecast ("comclose", id);
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect

## Unloading with nothing open says nothing.
%!test
%! clear brindlecast;
%! expect_error (@() brindlecast ("x", 1), "QUENTAROX:brindlecast", "Unrecognized mode for BRINDLECAST.");
%! lastwarn ("");
%! clear brindlecast;
%! assert (lastwarn (), "");
