function cable = make_cable ()
  ## A fresh virtual null-modem cable: two linked pseudo-terminals made by
  ## socat, reachable as cable.a and cable.b. cut_cable (cable) removes it.
  folder = tempname ();
  mkdir (folder);
  cable.folder = folder;
  cable.a = fullfile (folder, "a");
  cable.b = fullfile (folder, "b");
  command = sprintf (["socat pty,raw,echo=0,link=%s pty,raw,echo=0,link=%s " ...
                      "</dev/null >/dev/null 2>&1 & echo $!"], cable.a, cable.b);
  [status, pid] = system (command);
  assert (status, 0);
  cable.pid = str2double (pid);
  for attempt = 1:200
    if (exist (cable.a, "file") && exist (cable.b, "file"))
      return;
    endif
    pause (0.01);
  endfor
  cut_cable (cable);
  error ("socat made no cable in %s", folder);
endfunction
