function id = port_id (name)
  ## The FileID the module gives a port name: the sum of its bytes as int8.
  id = sum (double (typecast (uint8 (name), "int8")));
endfunction
