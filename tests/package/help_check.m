function help_check ()
  ## "help brindlecast" names the compiled module and shows the help file
  ## that lies beside it.
  module = which ("brindlecast");
  text = strsplit (evalc ("help brindlecast"), "\n");
  expected = {sprintf("'brindlecast' is a function from the file %s", module), ...
              "BRINDLECAST  Serial (COM) port access for MATLAB and GNU Octave.", ...
              "   QUENTAROX:brindlecast:comwrite"};
  for k = 1:numel (expected)
    if (! any (strcmp (strtrim (text), strtrim (expected{k}))))
      error ("help brindlecast lacks the line '%s'; it shows:\n%s", expected{k},
             strjoin (text, "\n"));
    endif
  endfor
  assert (regexp (module, '\.mex$', "once") > 0, true, module);
endfunction
