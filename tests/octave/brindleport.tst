## The brindleport object across a socat cable.

%!shared cable, p, q
%! addpath (fileparts (fileparts (fileparts (which ("make_cable")))), "-end");
%! cable = make_cable ();
%! p = brindleport (cable.a, 115200, "Timeout", 0.3);
%! q = brindleport (cable.b, 115200, "timeout", 0.3, "BYTEORDER", "big-endian");

%!function check_refused (call, name)
%! try
%!   call ();
%! catch err
%!   assert (strncmp (err.identifier, "brindleport:", 12), err.identifier);
%!   assert (! isempty (strfind (err.message, name)), err.message);
%!   return;
%! end_try_catch
%! error ("%s was not refused", name);
%!endfunction

%!function set_property (obj, name, value)
%! obj.(name) = value;
%!endfunction

%!function [value, id] = warned (call)
%! lastwarn ("", "");
%! evalc ("value = call ();");
%! [~, id] = lastwarn ();
%!endfunction

## Values come back as doubles in the datatype and ByteOrder asked for; a
## refused value sends nothing; counts add up.
%!test
%! write (p, uint8 ([200 100]));
%! assert (read (q, 2), [200 100]);   # doubles: 200 * 256 does not saturate
%! p.ByteOrder = "big-endian";
%! types = {"uint16", 65535; "int16", -2; "uint32", 4e9; "int32", -7; "int64", -2^40;
%!          "uint64", 2^60; "single", 1.5; "double", pi; "int8", -128};
%! for k = 1:rows (types)
%!   write (p, [types{k,2} 1], types{k,1});
%!   assert (read (q, 2, types{k,1}), [types{k,2} 1]);
%! endfor
%! write (p, "hi"); write (p, [104 105], "char");
%! assert ({read(q, 2, "char"), read(q, 2, "string")}, {"hi", "hi"});
%! for bad = {{256, "uint8"}, {-1, "uint32"}, {1.5, "int16"}, {2^63, "int64"}, {1e39, "single"}}
%!   check_refused (@() write (p, bad{1}{1}, bad{1}{2}), "data");
%! endfor
%! assert ({p.NumBytesWritten, q.NumBytesAvailable}, {88, 0});
%! p.ByteOrder = "little-endian";

## At the Timeout: a warning, the whole values, a part kept (in the module
## for uint16, in the object for int64).
%!test
%! write (p, uint8 ([1 2 3]));
%! tic; [v, id] = warned (@() read (q, 2, "uint16")); t = toc;
%! assert ({v, id, t >= 0.29 && t < 1.5}, {258, "brindleport:timeout", true});
%! write (p, uint8 (4:9));
%! [v, id] = warned (@() read (q, 2, "int64"));
%! assert ({v, id, q.NumBytesAvailable}, {zeros(1, 0), "brindleport:timeout", 7});
%! write (p, uint8 ([10 11]));
%! assert (read (q, 1, "int64"), double (swapbytes (typecast (uint8 (3:10), "int64"))));
%! assert (read (q, 1), 11);
%! q.Timeout = 0;   # at once
%! tic; [v, id] = warned (@() read (q, 5)); assert ({v, id, toc < 0.1}, {zeros(1, 0), "brindleport:timeout", true});
%! q.Timeout = 0.3;

## Lines: every terminator, a 10,000-character line, a line cut by the
## Timeout kept whole for the next readline, writeread.
%!test
%! for t = {"CR", 13; "CR/LF", [13 10]; 0, 0; "LF", 10}'
%!   configureTerminator (q, t{1}, "LF");
%!   write (p, [uint8("one") t{2} uint8("two") t{2}]);
%!   assert ({readline(q), readline(q)}, {"one", "two"});
%! endfor
%! configureTerminator (p, "CR/LF"); configureTerminator (q, "CR/LF");
%! assert (q.Terminator, "CR/LF");
%! long = repmat ("0123456789", 1, 1000);
%! writeline (p, long);
%! assert (readline (q), long);
%! write (p, uint8 (long(1:8191)));
%! write (p, uint8 (13));   # a CR/LF parted at a block's end
%! [v, id] = warned (@() readline (q));
%! assert ({v, id, q.NumBytesAvailable}, {"", "brindleport:timeout", 8192});
%! write (p, uint8 ([10 120 13 10]));
%! assert ({readline(q), readline(q)}, {long(1:8191), "x"});
%! writeline (q, "ACME,1");
%! assert (writeread (p, "*IDN?"), "ACME,1");
%! assert (readline (q), "*IDN?");
%! configureTerminator (p, "LF"); configureTerminator (q, "LF");

## Binary blocks, flush, the lines a pty has, disp.
%!test
%! block = [double("#16") 1 0 254 255 44 1];
%! writebinblock (p, [1 -2 300], "int16");
%! assert (read (q, 9), block);
%! write (p, uint8 (block));
%! q.ByteOrder = "little-endian";
%! assert (readbinblock (q, "int16"), [1 -2 300]);
%! write (p, uint8 ("#21"));
%! check_refused (@() readbinblock (q), "readbinblock");
%! write (p, uint8 ([1 2 3])); pause (0.1); flush (q, "input");
%! assert (q.NumBytesAvailable, 0);
%! sendBreak (p, 0.01); setDTR (p, false); setRTS (p, true);
%! assert (waitUntilSent (p), 0);
%! check_refused (@() getpinstatus (p), "modem");
%! check_refused (@() lineErrors (p), "line-error");
%! assert (! isempty (strfind (evalc ("disp (p)"), "BaudRate: 115200")));

## Odd values: the object's error naming the argument, nothing changed.
%!test
%! for v = {[], {}, struct(), @sin, NaN, 1+2i, sparse(1), "x", -1}
%!   check_refused (@() set_property (p, "BaudRate", v{1}), "BaudRate");
%!   check_refused (@() set_property (p, "Timeout", v{1}), "Timeout");
%!   check_refused (@() read (q, v{1}), "count");
%!   check_refused (@() configureTerminator (p, v{1}), "terminator");
%!   check_refused (@() brindleport (cable.b, v{1}), "BaudRate");
%!   check_refused (@() brindleport (v{1}, 9600), "port");
%! endfor
%! check_refused (@() write (p, {1}), "data");
%! check_refused (@() read (q, 1, "int128"), "datatype");
%! check_refused (@() brindleport (cable.b, 9600, "Speed", 1), "Speed");
%! check_refused (@() brindleport (cable.b, 9600, "Parity"), "Name, Value");
%! p.BaudRate = 19200;
%! assert ({p.BaudRate, p.Timeout}, {19200, 0.3});
%! [~, speed] = system (sprintf ("stty -F %s speed", cable.a));
%! assert (str2double (speed), 19200);
%! write (p, uint8 (5)); assert (read (q, 1), 5);

## 30,000 bytes arrive while the script sleeps: the port's reader keeps them.
%!test
%! flush (q);
%! data = uint8 (mod (0:29999, 251));
%! write (p, data); pause (0.5);
%! assert ({q.NumBytesAvailable, read(q, 30000)}, {30000, double(data)});

## Closing by delete, clear and scope; a FileID collision (ab and ba have
## one byte sum) refused; a port closed behind its object never reached
## again, not even when another object opens its FileID.
%!test
%! delete (p); delete (q);
%! check_refused (@() read (p, 1), "closed");
%! check_refused (@() set_property (p, "BaudRate", 9600), "closed");
%! x = brindleport (cable.b, 9600); clear x;
%! opened = @() brindleport (cable.b, 9600).FileID;
%! id = opened (); opened ();   # each temporary was closed at once
%! fail ("brindlecast ('comcount', id)", "Cannot query");
%! links = {[cable.folder "/ab"], [cable.folder "/ba"]};
%! symlink (cable.a, links{1}); symlink (cable.b, links{2});
%! r = brindleport (links{1}, 9600, "Timeout", 0.2);
%! check_refused (@() brindleport (links{2}, 9600), "FileID");
%! check_refused (@() brindleport (links{1}, 9600), "FileID");
%! brindlecast ("comclose", r.FileID);
%! s = brindleport (links{2}, 9600, "Timeout", 0.2);
%! check_refused (@() write (r, uint8 (1)), "closed");
%! check_refused (@() r.NumBytesAvailable, "closed");
%! far = brindleport (cable.a, 9600, "Timeout", 0.2);
%! write (far, uint8 (7));
%! assert (read (s, 1), 7);
%! clear brindlecast;
%! check_refused (@() read (s, 1), "closed");
%! delete (r); delete (s); clear far;
%! clear -global BRINDLEPORT_PORTS BRINDLEPORT_LINES;
%! cut_cable (cable);
