## Run by tests/support/identity_namespace.sh inside its mount namespace: /sys is the tree of
## tests/support/fake_sysfs.sh with 24 more FT232Rs, /dev/ttyUSB0 and
## /dev/ttyACM0 are socat ptys whose far ends are $WORK/usb0-far and
## $WORK/acm0-far.

## The records as the host sees them; two outputs for 32 ports within 50 ms.
%!test
%! names = brindlecast ("comlist");
%! best = Inf;
%! for k = 1:5
%!   start = tic;
%!   [again, ports] = brindlecast ("comlist");
%!   best = min (best, toc (start));
%! endfor
%! printf ("comlist with two outputs, 32 ports: %.2f ms (the best of five)\n", 1000 * best);
%! assert (best < 0.05);
%! assert ({again, {ports.Name}, size(ports)}, {names, names, [1 32]});
%! assert (fieldnames (ports)', {"Name", "Transport", "SerialNumber", "Manufacturer", "Product", ...
%!                               "Interface", "Location", "Description", "VendorID", "ProductID"});
%! assert (struct2cell (ports(2))', {"/dev/ttyACM0", "usb", "75735353038351A0F0E1", ...
%!         "Arduino (www.arduino.cc)", "", "", "1-4:1.0", "Arduino (www.arduino.cc)", 9025, 67});
%! assert (struct2cell (ports(1))', {"/dev/rfcomm0", "bluetooth", "", "", "", "", "", ...
%!                                   "/dev/rfcomm0", [], []});

## The FileID is the name's as given; the bytes go to the device's port. (The
## 24 more FT232Rs share the first one's ids: its serial tells it.)
%!test
%! for port = {{"usb:0403:6001:A50285BI", "usb0-far"}, {"USB:2341:0043", "acm0-far"}}
%!   [name, far_end] = port{1}{:};
%!   id = brindlecast ("comopen", struct ("PortName", name, "ReadTimeout", 1));
%!   far = brindlecast ("comopen", struct ("PortName", fullfile (getenv ("WORK"), far_end),
%!                                         "ReadTimeout", 1));
%!   assert ({id, brindlecast("comwrite", id, uint8 ([1 2 3]), 3)}, {sum(double (name)), 3});
%!   assert (brindlecast ("comread", far, 3), [1 2 3]);
%!   brindlecast ("comclose", id);
%!   brindlecast ("comclose", far);
%! endfor

## Refused before anything is closed: a port open under the refused name's
## FileID (through a link whose name has the same byte sum) stays open.
%!test
%! id = "QUENTAROX:brindlecast:comopen";
%! none = "No port matches PortName in input to COMOPEN.";
%! refusals = {"usb:0403:6010", "Several ports match PortName in input to COMOPEN.";
%!             "usb:ffff:0001", none; "usb:0403:6001:a50285bi", none; "usb:0403:600", none};
%! for k = 1:rows (refusals)
%!   [name, message] = refusals{k, :};
%!   pad = sum (double (name)) - sum (double ("/dev/"));
%!   rest = pad - 122 * (floor (pad / 122) - 1);  # 122 to 243: two letters of 61 to 122
%!   twin = ["/dev/", repmat("z", 1, floor (pad / 122) - 1), char([floor(rest / 2), ceil(rest / 2)])];
%!   symlink ("/dev/ttyUSB0", twin);
%!   held = brindlecast ("comopen", struct ("PortName", twin));
%!   expect_error (@() brindlecast ("comopen", struct ("PortName", name)), id, message);
%!   assert ({held, brindlecast("comcount", held)}, {sum(double (name)), 0});
%!   brindlecast ("comclose", held);
%!   unlink (twin);
%! endfor
%! ## The Pico matches alone, but has no node in this /dev.
%! expect_error (@() brindlecast ("comopen", struct ("PortName", "usb:2E8A:000A")), id,
%!               "Cannot open com port.");
