function ok = run_octave_tests (module_folder)
  ## Runs every .tst file beside this one against the module in module_folder
  ## and prints one summary line; true when every test passed.
  here = fileparts (mfilename ("fullpath"));
  addpath (module_folder);
  addpath (here);
  files = dir (fullfile (here, "*.tst"));
  passed = 0;
  total = 0;
  for k = 1:numel (files)
    name = fullfile (here, files(k).name);
    [n, nmax] = test (name, "quiet", stdout);
    printf ("%-40s %d of %d\n", files(k).name, n, nmax);
    passed += n;
    total += nmax;
  endfor
  printf ("octave: %d passed, %d failed\n", passed, total - passed);
  ok = (total > 0 && passed == total);
endfunction
