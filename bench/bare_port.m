classdef bare_port < handle
  % The floor of any object over brindlecast: methods that make the same
  % module calls as brindleport's and nothing else (no checks, no
  % conversions, no counts). It uses a port brindleport has opened.
  properties
    Id
  end
  methods
    function obj = bare_port(id)
      obj.Id = id;
    end
    function write(obj, data)
      n = brindlecast('comwrite', obj.Id, data, numel(data), 'uint8');
    end
    function data = read(obj, count)
      [data, n] = brindlecast('comread', obj.Id, count);
    end
    function line = readline(obj)
      [line, n] = brindlecast('comreadline', obj.Id, 4096, 10, 'string');
    end
    function line = writeread(obj, text)
      n = brindlecast('comwrite', obj.Id, text, numel(text), 'uint8');
      [line, n] = brindlecast('comreadline', obj.Id, 4096, 10, 'string');
    end
  end
end
