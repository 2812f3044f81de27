## comwrite, comread and comreadline through Octave on a socat null-modem cable.

%!shared cable, a, b
%! clear brindlecast;
%! cable = make_cable ();
%! a = brindlecast ("comopen", struct ("PortName", cable.a, "BaudRate", 115200));
%! b = brindlecast ("comopen", struct ("PortName", cable.b, "BaudRate", 115200));

## Every class the module sends arrives as the array's memory, little-endian.
%!test
%! values = {uint8([1 2 255]), int8([-1 5 -128]), uint16([258 65535]), int16([-2 300]),
%!           uint32([16909060 7]), int32([-5 70000]), single([1.5 -2]), [1 2 3]};
%! for k = 1:numel (values)
%!   v = values{k};
%!   expected = double (typecast (v, "uint8"));
%!   assert (brindlecast ("comwrite", a, v, numel (v)), numel (expected));
%!   [data, n] = brindlecast ("comread", b, numel (expected));
%!   assert ({class(v), data, n}, {class(v), expected, numel(expected)});
%! endfor
%! ## Octave hands characters over one byte each.
%! assert (brindlecast ("comwrite", a, "AB", 2), 2);
%! assert (brindlecast ("comread", b, 2), [65 66]);
%! assert (brindlecast ("comwrite", a, [1 2 3], 0), 0);

%!test
%! bytes = uint8 (0:255);
%! assert (brindlecast ("comwrite", b, bytes, 256), 256);
%! [data, n] = brindlecast ("comread", a, 256);
%! assert ({data, n}, {0:255, 256});
%! [data, n] = brindlecast ("comread", a, 0);
%! assert ({size(data), n}, {[1 0], 0});

%!test
%! w = "QUENTAROX:brindlecast:comwrite";
%! r = "QUENTAROX:brindlecast:comread";
%! for v = {true(1, 2), int64([1 2]), uint64([1 2]), {1, 2}, struct("x", {1, 2}), sparse([1 2]), [1+2i 3]}
%!   expect_error (@() brindlecast ("comwrite", a, v{1}, 1), w, "Invalid data type to COMWRITE");
%! endfor
%! expect_error (@() brindlecast ("comwrite", a + b, {1}, -1), w, "Cannot write the port.");
%! expect_error (@() brindlecast ("comwrite", a, 1), w, "Invalid number of inputs to COMWRITE.");
%! expect_error (@() brindlecast ("comwrite", a, "AB", 3), w, "Invalid count to COMWRITE.");
%! expect_error (@() brindlecast ("comwrite", a, uint8 (1), -1), w, "Invalid count to COMWRITE.");
%! expect_error (@() brindlecast ("comwrite", a, uint8 (1), NaN), w, "Invalid count to COMWRITE.");
%! expect_error (@() brindlecast ("comread", b), r, "Invalid number of inputs to COMREAD.");
%! expect_error (@() brindlecast ("comread", a + b, -1), r, "Cannot read the port.");
%! expect_error (@() brindlecast ("comread", b, -1), r, "Invalid count to COMREAD.");
%! expect_error (@() brindlecast ("comread", b, NaN), r, "Invalid count to COMREAD.");
%! ## Nothing of the refused writes reached the other end.
%! brindlecast ("comwrite", a, uint8 (9), 1);
%! assert (brindlecast ("comread", b, 1), 9);

## A port given a read time-out beforehand returns what arrived in time.
%!test
%! brindlecast ("comclose", b);
%! assert (system (sprintf ("stty -F '%s' min 0 time 1", cable.b)), 0);
%! b = brindlecast ("comopen", struct ("PortName", cable.b));
%! brindlecast ("comwrite", a, uint8 ([4 2]), 2);
%! [data, n] = brindlecast ("comread", b, 5);
%! assert ({data, n}, {[4 2], 2});

## Values with no number, and data with no memory (a function handle, an
## object), give the module's errors and Octave goes on.
%!test
%! w = "QUENTAROX:brindlecast:comwrite";
%! r = "QUENTAROX:brindlecast:comread";
%! for v = {[], {}, struct(), @sin}
%!   expect_error (@() brindlecast ("comclose", v{1}), "QUENTAROX:brindlecast:comclose",
%!                 "Cannot close the port.");
%!   expect_error (@() brindlecast ("comwrite", v{1}, uint8 (1), 1), w, "Cannot write the port.");
%!   expect_error (@() brindlecast ("comwrite", a, uint8 (1), v{1}), w, "Invalid count to COMWRITE.");
%!   expect_error (@() brindlecast ("comread", b, v{1}), r, "Invalid count to COMREAD.");
%! endfor
%! expect_error (@() brindlecast ("comwrite", a, @sin, 1), w, "Invalid data type to COMWRITE");
%! expect_error (@() brindlecast ("comwrite", a, containers.Map (), 1), w,
%!               "Invalid data type to COMWRITE");
%! assert (brindlecast ("comwrite", a, uint8 (3), 1), 1);
%! assert (brindlecast ("comread", b, 1), 3);

## Bounded waits: ReadTimeout 0 returns at once, 0.2 after the time with what
## arrived; WriteTimeout bounds a write the far end does not take.
%!test
%! brindlecast ("comclose", b);
%! b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0.2));
%! t = tic; [data, n] = brindlecast ("comread", b, 10); elapsed = toc (t);
%! assert ({data, n}, {zeros(1, 0), 0});
%! assert (elapsed >= 0.2 && elapsed < 1.5, true);
%! brindlecast ("comwrite", a, uint8 ([5 6 7]), 3);
%! pause (0.05);
%! [data, n] = brindlecast ("comread", b, 10);
%! assert ({data, n}, {[5 6 7], 3});
%! b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0, "WriteTimeout", 0.2));
%! t = tic; [data, n] = brindlecast ("comread", b, 10); elapsed = toc (t);
%! assert ({n, elapsed < 0.1}, {0, true});
%! t = tic; n = brindlecast ("comwrite", b, zeros (1, 2^20, "uint8"), 2^20);
%! assert ({n < 2^20, toc(t) < 2}, {true, true});
%! ## Drained, not flushed: socat still holds part of the flood, and while it
%! ## waits to hand that to a it relays nothing the other way.
%! brindlecast ("comset", a, struct ("ReadTimeout", 0.1));
%! do
%!   [~, n] = brindlecast ("comread", a, 2^16);
%! until (n == 0)

## comreadline: a line split over three writes comes whole, two lines one per
## call, CR LF, maxcount first, a time-out keeps half a line for the next call,
## and comread, comcount and comflush see what was read ahead.
%!test
%! b = brindlecast ("comopen", struct ("PortName", cable.b, "ReadTimeout", 0.3));
%! brindlecast ("comflush", b);
%! send = @(text) brindlecast ("comwrite", a, uint8 (text), numel (text));
%! line = @(varargin) char (brindlecast ("comreadline", b, varargin{:}));
%! send ("ab"); send ("cd"); send ("e\n");
%! send ("one\ntwo\n");
%! assert ({line(64), line(64), line(64)}, {"abcde\n", "one\n", "two\n"});
%! send ("a\rb\r\nc\r\nabcdefgh\n");
%! assert ({line(64, [13 10]), line(64, "\r\n"), line(4), line(64)},
%!         {"a\rb\r\n", "c\r\n", "abcd", "efgh\n"});
%! send ("hal");
%! tic; [bytes, n] = brindlecast ("comreadline", b, 64); elapsed = toc;
%! assert ({bytes, n, elapsed >= 0.3}, {zeros(1, 0), 0, true});
%! send ("f\nyz");
%! pause (0.1);
%! assert ({line(64), brindlecast("comcount", b), char(brindlecast("comread", b, 2))},
%!         {"half\n", 2, "yz"});
%! send ("q\nr\n");
%! pause (0.1);
%! assert (line (64), "q\n");
%! brindlecast ("comflush", b, "input");
%! assert ({brindlecast("comcount", b), brindlecast("comreadline", b, 64)}, {0, zeros(1, 0)});

%!test
%! clear brindlecast;
%! cut_cable (cable);
