function expect_error (call, identifier, message)
  ## Runs call (a function handle) and checks that it fails with exactly this
  ## identifier and a message that ends with message (Octave puts
  ## "brindlecast: " before a MEX file's error texts).
  try
    call ();
  catch err
    assert (err.identifier, identifier);
    tail = err.message(max (1, end - numel (message) + 1):end);
    if (! strcmp (tail, message))
      error ("expected a message ending in '%s', got '%s'", message, err.message);
    endif
    return;
  end_try_catch
  error ("expected the error '%s', but the call succeeded", message);
endfunction
