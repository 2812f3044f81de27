function settings = line_settings (device)
  ## What stty reads back from a pseudo-terminal: the speed and the flags a
  ## Linux pty keeps (it forces cs8 and clears parenb whatever it is asked).
  [status, text] = system (sprintf ("stty -F '%s' -a", device));
  assert (status, 0, text);
  settings.speed = str2double (regexp (text, 'speed (\d+) baud', "tokens", "once"){1});
  flag = @(name) ! isempty (regexp (text, ['(^|[\s;])' name '($|[\s;])'], "once"));
  settings.cstopb = flag ("cstopb");
  settings.parodd = flag ("parodd");
  settings.cmspar = flag ("cmspar");
  settings.crtscts = flag ("crtscts");
  settings.ixon = flag ("ixon");
  settings.ixoff = flag ("ixoff");
endfunction
