function cut_cable (cable)
  ## Stops the cable's socat and removes its folder.
  system (sprintf ("kill %d 2>/dev/null; while kill -0 %d 2>/dev/null; do sleep 0.01; done",
                   cable.pid, cable.pid));
  confirm_recursive_rmdir (false, "local");
  if (exist (cable.folder, "dir"))
    rmdir (cable.folder, "s");
  endif
endfunction
