## comreadline through Octave on a socat null-modem cable.

%!test
%! clear brindlecast;
%! cable = make_cable ();
%! unwind_protect
%!   a = brindlecast ("comopen", struct ("PortName", cable.a));
%!   b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0.3));
%!   send = @(text) brindlecast ("comwrite", a, uint8 (text), numel (text));
%!   line = @(varargin) char (brindlecast ("comreadline", b, varargin{:}));
%!   send ("ab"); send ("cd"); send ("e\n");
%!   send ("one\ntwo\n");
%!   assert ({line(64), line(64), line(64)}, {"abcde\n", "one\n", "two\n"});
%!   send ("a\rb\r\nc\r\nabcdefgh\n");
%!   assert ({line(64, [13 10]), line(64, "\r\n"), line(4), line(64)},
%!           {"a\rb\r\n", "c\r\n", "abcd", "efgh\n"});
%!   send ("hal");
%!   tic; [bytes, n] = brindlecast ("comreadline", b, 64); elapsed = toc;
%!   assert ({bytes, n, elapsed >= 0.3}, {zeros(1, 0), 0, true});
%!   send ("f\nyz");
%!   pause (0.1);
%!   assert ({line(64), brindlecast("comcount", b), char(brindlecast("comread", b, 2))},
%!           {"half\n", 2, "yz"});
%!   send ("q\nr\n");
%!   pause (0.1);
%!   assert (line (64), "q\n");
%!   brindlecast ("comflush", b, "input");
%!   assert ({brindlecast("comcount", b), brindlecast("comreadline", b, 64)}, {0, zeros(1, 0)});
%! unwind_protect_cleanup
%!   clear brindlecast;
%!   cut_cable (cable);
%! end_unwind_protect
