function loopback_check (folder)
  ## The loopback scenario through the brindlecast that is on the path, which
  ## must be a compiled module from under folder: both ends of a socat cable
  ## opened, bytes sent both ways, both ends closed.
  module = which ("brindlecast");
  assert (strncmp (module, [folder filesep], numel (folder) + 1), true, module);
  assert (regexp (module, '\.mex$', "once") > 0, true, module);
  cable = make_cable ();
  unwind_protect
    line = struct ("BaudRate", 115200, "Parity", "none", "StopBits", 1, "DataBits", 8);
    a = brindlecast ("comopen", setfield (line, "PortName", cable.a));
    b = brindlecast ("comopen", setfield (line, "PortName", cable.b));
    assert ([a b], [port_id(cable.a) port_id(cable.b)]);
    assert (brindlecast ("comwrite", a, "MEAS:VOLT?", 10), 10);
    [bytes, n] = brindlecast ("comread", b, 10);
    assert ({char(bytes), n}, {"MEAS:VOLT?", 10});
    reading = single ([3.3 -0.25]);
    assert (brindlecast ("comwrite", b, reading, 2), 8);
    [bytes, n] = brindlecast ("comread", a, 8);
    assert ({typecast(uint8 (bytes), "single"), n}, {reading, 8});
    brindlecast ("comclose", a);
    brindlecast ("comclose", b);
    expect_error (@() brindlecast ("comclose", a), "QUENTAROX:brindlecast:comclose",
                  "Cannot close the port.");
  unwind_protect_cleanup
    clear brindlecast;
    cut_cable (cable);
  end_unwind_protect
endfunction
