function identity_check (module_folder, work)
  ## Run by run_identity_test.sh inside its mount namespace: /sys is the tree
  ## of tests/support/fake_sysfs.sh (with 24 more FT232Rs), /dev/ttyUSB0 and
  ## /dev/ttyACM0 are socat ptys whose far ends are work/usb0-far and
  ## work/acm0-far. Prints "identity: N passed, M failed".
  addpath (module_folder);
  addpath (fileparts (fileparts (mfilename ("fullpath"))));  # expect_error
  checks = {@listed_ports, @port_fields, @usb_names_open_their_port, ...
            @usb_names_that_match_not_one, @list_time};
  passed = 0;
  for k = 1:numel (checks)
    try
      checks{k} (work);
      passed += 1;
    catch problem
      printf ("%s: %s\n", func2str (checks{k}), problem.message);
    end_try_catch
    clear brindlecast;
  endfor
  printf ("identity: %d passed, %d failed\n", passed, numel (checks) - passed);
endfunction

function listed_ports (~)
  names = brindlecast ("comlist");
  [again, ports] = brindlecast ("comlist");
  assert (again, names);
  assert ({ports.Name}, names);
  assert (size (ports), [1 32]);
  assert (names(1:8), {"/dev/rfcomm0", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0", ...
                       "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"});
  assert (fieldnames (ports)', {"Name", "Transport", "SerialNumber", "Manufacturer", ...
                                "Product", "Interface", "Location", "Description", ...
                                "VendorID", "ProductID"});
endfunction

function port_fields (~)
  [names, ports] = brindlecast ("comlist");
  uno = ports(strcmp (names, "/dev/ttyACM0"));
  assert ({uno.Transport, uno.VendorID, uno.ProductID, uno.SerialNumber, uno.Product, ...
           uno.Location, uno.Description},
          {"usb", 9025, 67, "75735353038351A0F0E1", "", "1-4:1.0", "Arduino (www.arduino.cc)"});
  pico = ports(strcmp (names, "/dev/ttyACM1"));
  assert ({pico.VendorID, pico.Interface, pico.Description},
          {hex2dec("2e8a"), "Board CDC", "Pico - Board CDC"});
  bare = ports(strcmp (names, "/dev/ttyUSB3"));
  assert ({bare.SerialNumber, bare.Manufacturer, bare.Product, bare.Location, bare.Description},
          {"", "", "", "1-5", "/dev/ttyUSB3"});
  bluetooth = ports(strcmp (names, "/dev/rfcomm0"));
  assert ({bluetooth.Transport, bluetooth.VendorID, bluetooth.Description},
          {"bluetooth", [], "/dev/rfcomm0"});
  uart = ports(strcmp (names, "/dev/ttyS0"));
  assert ({uart.Transport, uart.ProductID, uart.Location}, {"native", [], ""});
endfunction

## The FileID is the name's as given; the bytes go to the device's port.
function usb_names_open_their_port (work)
  ## (The 24 more FT232Rs share the first one's ids: its serial tells it.)
  for port = {{"usb:0403:6001:A50285BI", "usb0-far"}, {"USB:2341:0043", "acm0-far"}}
    [name, far_end] = port{1}{:};
    id = brindlecast ("comopen", struct ("PortName", name, "ReadTimeout", 1));
    assert (id, sum (double (name)));
    far = brindlecast ("comopen", struct ("PortName", fullfile (work, far_end), "ReadTimeout", 1));
    assert (brindlecast ("comwrite", id, uint8 ([1 2 3]), 3), 3);
    assert (brindlecast ("comread", far, 3), [1 2 3]);
    brindlecast ("comclose", id);
    brindlecast ("comclose", far);
  endfor
endfunction

## Refused before anything is closed: a port open under the refused name's
## FileID (through a link whose name has the same byte sum) stays open.
function usb_names_that_match_not_one (~)
  id = "QUENTAROX:brindlecast:comopen";
  refusals = {"usb:0403:6010", "Several ports match PortName in input to COMOPEN.";
              "usb:0403:6001", "Several ports match PortName in input to COMOPEN.";
              "usb:ffff:0001", "No port matches PortName in input to COMOPEN.";
              "usb:0403:6001:a50285bi", "No port matches PortName in input to COMOPEN.";
              "usb:0403:600", "No port matches PortName in input to COMOPEN."};
  for k = 1:rows (refusals)
    [name, message] = refusals{k, :};
    pad = sum (double (name)) - sum (double ("/dev/"));
    rest = pad - 122 * (floor (pad / 122) - 1);  # 122 to 243: two letters of 61 to 122
    twin = ["/dev/", repmat("z", 1, floor (pad / 122) - 1), char(floor (rest / 2)), ...
            char(rest - floor (rest / 2))];
    symlink ("/dev/ttyUSB0", twin);
    held = brindlecast ("comopen", struct ("PortName", twin));
    assert (held, sum (double (name)));
    expect_error (@() brindlecast ("comopen", struct ("PortName", name)), id, message);
    assert (brindlecast ("comcount", held), 0);
    brindlecast ("comclose", held);
    unlink (twin);
  endfor
  ## The Pico matches alone, but has no node in this /dev.
  expect_error (@() brindlecast ("comopen", struct ("PortName", "usb:2E8A:000A")), id,
                "Cannot open com port.");
endfunction

## Two outputs for 32 ports within 50 ms (the best of five).
function list_time (~)
  best = Inf;
  for k = 1:5
    start = tic;
    [~, ports] = brindlecast ("comlist");
    best = min (best, toc (start));
  endfor
  assert (numel (ports), 32);
  printf ("comlist with two outputs, 32 ports: %.2f ms\n", 1000 * best);
  assert (best < 0.05, "comlist took %.1f ms", 1000 * best);
endfunction
