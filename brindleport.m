classdef brindleport < handle
    % BRINDLEPORT  A serial port as an object, the way MATLAB's serialport
    % has it, over brindlecast's modes: one script for MATLAB and Octave.
    %
    %   p = brindleport(port, baudrate)
    %   p = brindleport(port, baudrate, Name, Value, ...)
    %
    % port is a name comopen accepts ('COM3', '/dev/ttyUSB0', a socat
    % link). Options, names in any letter case (defaults in brackets):
    %   DataBits            5, 6, 7 or 8 [8]
    %   Parity              'none', 'odd', 'even', 'mark', 'space' ['none']
    %   StopBits            1, 1.5 or 2 [1]
    %   FlowControl         'none', 'hardware', 'software' ['none']
    %   Timeout             seconds, 0 or more, Inf for none [10]
    %   ByteOrder           'little-endian' or 'big-endian' ['little-endian']
    %   InputBufferSize     bytes the port reads ahead in the background while
    %                       the script is busy: 0 (none) or 4096 to 2^28 [1048576]
    %   ReadIntervalTimeout seconds of silence that end a read once a byte
    %                       came (more than 0), Inf for none [Inf]
    %   DataTerminalReady   true or false [true]
    %   RequestToSend       true or false [true]; with 'hardware' flow
    %                       control the handshake drives RTS
    % With DataTerminalReady false the line stays low: on Windows from the
    % open on (an Arduino does not reset); the Linux kernel raises DTR as
    % any tty opens, and it is lowered just after.
    %
    % Properties: Port (read only), BaudRate, DataBits, Parity, StopBits,
    % FlowControl, Timeout, ByteOrder, InputBufferSize and
    % ReadIntervalTimeout (each set while open takes effect at once; a
    % refused value changes nothing), Terminator (configureTerminator),
    % NumBytesAvailable, NumBytesWritten (since the open), UserData.
    %
    % Timeout bounds every read and write. With Timeout 0 a read returns at
    % once with what is there and a write waits until every byte is sent.
    %
    % Methods:
    %   data = read(p, count, datatype)    count values as doubles; datatype
    %       'uint8' (default), 'int8', 'uint16', 'int16', 'uint32', 'int32',
    %       'uint64', 'int64', 'single', 'double' (ByteOrder applies),
    %       'char' (a char row) or 'string' (a string; char in Octave). At
    %       the Timeout: warning brindleport:timeout and the whole values that
    %       came; a part of a value stays for the next read.
    %   write(p, data, datatype)   numbers as datatype ('uint8' default), text
    %       as its characters; a value the datatype cannot hold sends nothing.
    %   line = readline(p)         text up to the read terminator, without it
    %       (a string in MATLAB, char in Octave), however long. No whole line
    %       within Timeout: warning brindleport:timeout, an empty result, and
    %       what came of the line is kept for the next readline.
    %   writeline(p, text), line = writeread(p, text)
    %   configureTerminator(p, t), configureTerminator(p, readT, writeT)
    %       'LF' (default), 'CR', 'CR/LF' or a byte 0..255
    %   flush(p), flush(p, 'input'), flush(p, 'output')
    %   pins = getpinstatus(p)     ClearToSend, DataSetReady, CarrierDetect,
    %                              RingIndicator
    %   setDTR(p, tf), setRTS(p, tf)
    %   data = readbinblock(p, datatype), writebinblock(p, data, datatype)
    %       IEEE 488.2 definite-length blocks: '#', a digit n, n digits of
    %       length, the data
    %   sendBreak(p, seconds)      holds the line in break (at most 10 s)
    %   unsent = waitUntilSent(p)  waits (at most Timeout) until what was
    %                              written has left the port; bytes still unsent
    %   errors = lineErrors(p)     Overrun, QueueOverflow, Framing, Parity and
    %                              Break counts since the last call
    %   delete(p), clear p, or p going out of scope closes the port.
    %
    % Errors have identifiers beginning 'brindleport:'. A second object on a
    % port that an open port's FileID holds (the same port, or COM12 beside
    % COM21) is refused. A method of a deleted object, or of one whose port
    % was closed behind it (comclose, clear brindlecast), raises
    % brindleport:closed, and such an object never reaches a port opened
    % after it.
    %
    %   p = brindleport('COM3', 9600);
    %   configureTerminator(p, 'CR/LF');
    %   writeline(p, '*IDN?');
    %   idn = readline(p)
    %   clear p
    %
    % See also brindlecast, examples/serialport_style.m.

    % The module call is most of every method's cost, so the common paths
    % read one property (Slot) and one row of a global table that holds, per
    % object: 1 the FileID reads use (0 while the object holds bytes, so that
    % a read fails over to the path that serves them first), 2 the FileID
    % (both NaN once the port is gone), 3 bytes held by the object (a part of
    % a line or of a 64-bit value), 4 row in use, 5 MATLAB, 6 read terminator
    % byte (256 for CR/LF); and a global cell of the read terminators as text.
    % The table holds numbers, not handles, so delete runs on clear, and a
    % later object opening the same FileID sets a stale row's FileID to NaN:
    % the old object then fails at the module instead of reaching the port.

    properties (SetAccess = private)
        Port = ''
        Terminator = 'LF'
    end
    properties
        BaudRate = 9600
        DataBits = 8
        Parity = 'none'
        StopBits = 1
        FlowControl = 'none'
        Timeout = 10
        ByteOrder = 'little-endian'
        InputBufferSize = 1048576
        ReadIntervalTimeout = Inf
        UserData = []
    end
    properties (Dependent)
        NumBytesAvailable
        NumBytesWritten
    end
    properties (Hidden, SetAccess = private)
        Slot = 0
        FileID = NaN
        WriteEnd = char(10)
        Held = zeros(1, 0)
        Dtr = true
        Rts = true
    end

    methods
        function obj = brindleport(port, baudrate, varargin)
            if nargin < 1
                error('brindleport:port', 'brindleport: give a port name, such as ''COM3''.');
            end
            port = brindleport.text(port, 'port');
            if nargin < 2
                error('brindleport:baudrate', 'brindleport: give a baud rate after the port name.');
            end
            if mod(numel(varargin), 2) ~= 0
                error('brindleport:options', 'brindleport: options come in Name, Value pairs.');
            end
            obj.BaudRate = baudrate;
            obj.Port = port;
            for k = 1:2:numel(varargin)
                name = varargin{k};
                if ~(ischar(name) && size(name, 1) == 1) && ~(isa(name, 'string') && isscalar(name))
                    error('brindleport:options', 'brindleport: option %d is not a name.', (k + 1) / 2);
                end
                value = varargin{k + 1};
                switch lower(char(name))
                    case 'databits', obj.DataBits = value;
                    case 'parity', obj.Parity = value;
                    case 'stopbits', obj.StopBits = value;
                    case 'flowcontrol', obj.FlowControl = value;
                    case 'timeout', obj.Timeout = value;
                    case 'byteorder', obj.ByteOrder = value;
                    case 'inputbuffersize', obj.InputBufferSize = value;
                    case 'readintervaltimeout', obj.ReadIntervalTimeout = value;
                    case 'dataterminalready', obj.Dtr = brindleport.flag(value, 'DataTerminalReady');
                    case 'requesttosend', obj.Rts = brindleport.flag(value, 'RequestToSend');
                    otherwise
                        error('brindleport:options', 'brindleport: unknown option ''%s''.', char(name));
                end
            end
            id = sum(double(typecast(uint8(port), 'int8')));
            if brindleport.isOpen(id)
                error('brindleport:inUse', ['brindleport: %s cannot be opened: an open port ' ...
                      'holds its FileID %d (the same port, or one whose name has the same ' ...
                      'byte sum).'], port, id);
            end
            settings = obj.lineSettings();
            settings.PortName = port;
            settings.DTR = obj.Dtr;
            if ~strcmp(obj.FlowControl, 'hardware')
                settings.RTS = obj.Rts;
            end
            try
                id = brindlecast('comopen', settings);
            catch
                error('brindleport:open', 'brindleport: cannot open port %s.', port);
            end
            global BRINDLEPORT_PORTS BRINDLEPORT_LINES
            table = BRINDLEPORT_PORTS;
            if size(table, 2) ~= 6
                table = zeros(0, 6);
            end
            % Objects whose port was closed behind them and that still hold
            % this FileID must not reach the port opened now.
            for stale = find(table(:, 2) == id)'
                table(stale, 1:2) = NaN;
                BRINDLEPORT_LINES{stale}{1} = NaN;
            end
            slot = find(table(:, 4) == 0, 1);
            if isempty(slot)
                slot = size(table, 1) + 1;
            end
            table(slot, :) = [id id 0 1 double(~brindleport.inOctave()) 10];
            BRINDLEPORT_PORTS = table;
            BRINDLEPORT_LINES{slot} = {id, 4096, char(10), 'string'};
            obj.FileID = id;
            obj.Slot = slot;
        end

        function delete(obj)
            try
                k = obj.Slot;
                obj.Slot = 0;
                if k == 0
                    return   % deleted before, or never opened
                end
                global BRINDLEPORT_PORTS
                if k <= size(BRINDLEPORT_PORTS, 1)
                    if BRINDLEPORT_PORTS(k, 2) == obj.FileID
                        brindlecast('comclose', obj.FileID);
                    end
                    BRINDLEPORT_PORTS(k, :) = [NaN NaN 0 0 0 10];
                end
            catch
                % The port is gone already (comclose, clear brindlecast).
            end
        end

        function write(obj, data, datatype)
            global BRINDLEPORT_PORTS
            try
                if nargin == 2
                    % The module turns the values into bytes, refusing any
                    % that is not one, and counts what it sends.
                    c = numel(data);
                    n = brindlecast('comwrite', BRINDLEPORT_PORTS(obj.Slot, 2), data, c, 'uint8');
                else
                    [n, c] = obj.writeEncoded(data, datatype);
                end
            catch err
                [n, c] = obj.writeAgain(err, data, 'write');
            end
            if n < c
                warning('brindleport:timeout', ['brindleport: write sent %d of %d bytes ' ...
                        'within the Timeout.'], n, c);
            end
        end

        function data = read(obj, count, datatype)
            global BRINDLEPORT_PORTS
            try
                if nargin == 2
                    [data, n] = brindlecast('comread', BRINDLEPORT_PORTS(obj.Slot, 1), count);
                else
                    if nargin < 2
                        error('brindleport:count', 'brindleport: read needs a count.');
                    end
                    [data, n] = obj.readValues(obj.Slot, count, datatype);
                end
            catch err
                if nargin > 1
                    brindleport.count(count, 'count');
                end
                if nargin ~= 2 || ~obj.holds(err)
                    brindleport.fail(obj, err, 'read');
                end
                [data, n] = obj.readValues(obj.Slot, count, 'uint8');
            end
            if n < count
                % A count the module took (a fraction, a complex number) but a
                % script should not give: its bytes are kept, not lost.
                if ~brindleport.isNumber(count) || count ~= fix(count) || count < 0
                    if nargin == 2 && n > 0
                        obj.hold(obj.Slot, [data obj.Held]);
                    end
                    brindleport.count(count, 'count');
                end
                warning('brindleport:timeout', ['brindleport: read got %d of %d values ' ...
                        'within the Timeout.'], n, count);
            end
        end

        function line = readline(obj)
            global BRINDLEPORT_LINES
            try
                % The module gives the line as text without its terminator, a
                % string in MATLAB: {FileID, 4096, terminator, 'string'}.
                a = BRINDLEPORT_LINES{obj.Slot};
                [line, n] = brindlecast('comreadline', a{:});
                % No terminator: the time-out, or a line longer than the block
                % (numel, a builtin call, only then).
                if n == 0 || (n == 4096 && numel(char(line)) == n)
                    line = obj.lineRest(line, n);
                end
            catch err
                if ~obj.holds(err)
                    brindleport.fail(obj, err, 'readline');
                end
                line = obj.lineRest('', -1);
            end
        end

        function writeline(obj, text)
            global BRINDLEPORT_PORTS
            b = text;
            try
                if ~ischar(b)
                    b = brindleport.textBytes(text, 'text');
                end
                b = [b obj.WriteEnd];
                c = numel(b);
                n = brindlecast('comwrite', BRINDLEPORT_PORTS(obj.Slot, 2), b, c, 'uint8');
            catch err
                [n, c] = obj.writeAgain(err, b, 'writeline');
            end
            if n < c
                warning('brindleport:timeout', ['brindleport: writeline sent %d of %d bytes ' ...
                        'within the Timeout.'], n, c);
            end
        end

        function line = writeread(obj, text)
            % writeline's and readline's lines, inline: a method call costs
            % as much as the query's own statements.
            global BRINDLEPORT_PORTS BRINDLEPORT_LINES
            b = text;
            try
                if ~ischar(b)
                    b = brindleport.textBytes(text, 'text');
                end
                b = [b obj.WriteEnd];
                c = numel(b);
                n = brindlecast('comwrite', BRINDLEPORT_PORTS(obj.Slot, 2), b, c, 'uint8');
            catch err
                [n, c] = obj.writeAgain(err, b, 'writeread');
            end
            if n < c
                warning('brindleport:timeout', ['brindleport: writeread sent %d of %d bytes ' ...
                        'within the Timeout; nothing was read.'], n, c);
                line = '';
                return
            end
            try
                a = BRINDLEPORT_LINES{obj.Slot};
                [line, n] = brindlecast('comreadline', a{:});
                if n == 0 || (n == 4096 && numel(char(line)) == n)
                    line = obj.lineRest(line, n);
                end
            catch err
                if ~obj.holds(err)
                    brindleport.fail(obj, err, 'writeread');
                end
                line = obj.lineRest('', -1);
            end
        end

        function configureTerminator(obj, readT, writeT)
            if nargin < 2
                error('brindleport:terminator', 'brindleport: configureTerminator needs a terminator.');
            end
            [r, rname] = brindleport.terminator(readT, 'terminator');
            if nargin < 3
                w = r;
                wname = rname;
            else
                [r, rname] = brindleport.terminator(readT, 'readTerminator');
                [w, wname] = brindleport.terminator(writeT, 'writeTerminator');
            end
            k = obj.liveSlot('configureTerminator');
            global BRINDLEPORT_PORTS BRINDLEPORT_LINES
            if numel(r) == 2
                BRINDLEPORT_PORTS(k, 6) = 256;
            else
                BRINDLEPORT_PORTS(k, 6) = r;
            end
            BRINDLEPORT_LINES{k}{3} = char(r);
            obj.WriteEnd = char(w);
            if isequal(r, w)
                obj.Terminator = rname;
            else
                obj.Terminator = {rname, wname};
            end
        end

        function flush(obj, which)
            if nargin < 2
                which = 'both';
            end
            which = brindleport.word(which, 'buffer', {'input', 'output', 'both'});
            k = obj.liveSlot('flush');
            obj.ask('flush', '', 'comflush', which);
            if ~strcmp(which, 'output')
                obj.hold(k, zeros(1, 0));
            end
        end

        function pins = getpinstatus(obj)
            p = obj.ask('getpinstatus', 'has no modem lines to read', 'compins');
            pins = struct('ClearToSend', p.ClearToSend, 'DataSetReady', p.DataSetReady, ...
                          'CarrierDetect', p.CarrierDetect, 'RingIndicator', p.RingIndicator);
        end

        function setDTR(obj, tf)
            tf = brindleport.flag(tf, 'tf');
            obj.configure(struct('DTR', tf), 'setDTR');
            obj.Dtr = tf;
        end

        function setRTS(obj, tf)
            tf = brindleport.flag(tf, 'tf');
            obj.liveSlot('setRTS');
            if strcmp(obj.FlowControl, 'hardware')
                error('brindleport:setRTS', ['brindleport: setRTS: with FlowControl ' ...
                      '''hardware'' the handshake drives RTS.']);
            end
            obj.configure(struct('RTS', tf), 'setRTS');
            obj.Rts = tf;
        end

        function sendBreak(obj, seconds)
            if nargin < 2 || ~brindleport.isNumber(seconds) || ~(seconds > 0 && seconds <= 10)
                error('brindleport:seconds', 'brindleport: sendBreak needs seconds, more than 0 and at most 10.');
            end
            obj.ask('sendBreak', '', 'combreak', double(seconds));
        end

        function unsent = waitUntilSent(obj)
            unsent = obj.ask('waitUntilSent', '', 'comdrain');
        end

        function errors = lineErrors(obj)
            errors = obj.ask('lineErrors', 'keeps no line-error counts', 'comerrors');
        end

        function data = readbinblock(obj, datatype)
            if nargin < 2
                datatype = 'uint8';
            end
            [cls, width] = brindleport.dataType(datatype, 'datatype');
            k = obj.liveSlot('readbinblock');
            data = zeros(1, 0);
            head = obj.readValues(k, 2, 'uint8');
            if numel(head) < 2
                obj.hold(k, [head obj.Held]);
                warning('brindleport:timeout', 'brindleport: readbinblock: no block within the Timeout.');
                return
            end
            if head(1) ~= 35 || head(2) < 49 || head(2) > 57
                error('brindleport:readbinblock', ['brindleport: readbinblock: the block does ' ...
                      'not begin with ''#'' and a digit 1..9 (got bytes %d %d).'], head(1), head(2));
            end
            digits = obj.readValues(k, head(2) - 48, 'uint8');
            if numel(digits) < head(2) - 48 || any(digits < 48 | digits > 57)
                error('brindleport:readbinblock', 'brindleport: readbinblock: the block''s length is not %d digits.', head(2) - 48);
            end
            len = str2double(char(digits));
            if mod(len, width) ~= 0
                error('brindleport:readbinblock', ['brindleport: readbinblock: a block of %d ' ...
                      'bytes is no whole number of %s values.'], len, cls);
            end
            [data, n] = obj.readValues(k, len / width, datatype);
            if n < len / width
                warning('brindleport:timeout', ['brindleport: readbinblock got %d of %d ' ...
                        'values within the Timeout.'], n, len / width);
            end
        end

        function writebinblock(obj, data, datatype)
            if nargin < 3
                datatype = 'uint8';
            end
            if nargin < 2
                error('brindleport:data', 'brindleport: writebinblock needs data.');
            end
            obj.liveSlot('writebinblock');
            bytes = brindleport.encode(data, datatype, obj.ByteOrder);
            len = sprintf('%d', numel(bytes));
            write(obj, [uint8(sprintf('#%d%s', numel(len), len)) bytes]);
        end

        function disp(obj)
            try
                port = obj.Port;
                baud = obj.BaudRate;
            catch
                fprintf('  deleted brindleport\n\n');   % MATLAB keeps no properties
                return
            end
            try
                available = sprintf('%d', obj.NumBytesAvailable);
            catch
                available = '(port closed)';
            end
            fprintf('  brindleport with properties:\n\n');
            fprintf('                 Port: %s\n', port);
            fprintf('             BaudRate: %d\n', baud);
            fprintf('    NumBytesAvailable: %s\n\n', available);
        end

        function n = get.NumBytesAvailable(obj)
            k = obj.liveSlot('NumBytesAvailable');
            global BRINDLEPORT_PORTS
            try
                n = brindlecast('comcount', obj.FileID) + BRINDLEPORT_PORTS(k, 3);
            catch err
                brindleport.fail(obj, err, 'NumBytesAvailable');
            end
        end

        function n = get.NumBytesWritten(obj)
            obj.liveSlot('NumBytesWritten');
            try
                [~, ~, n] = brindlecast('comcount', obj.FileID);
            catch err
                brindleport.fail(obj, err, 'NumBytesWritten');
            end
        end

        function obj = set.BaudRate(obj, value)
            if ~brindleport.isNumber(value) || value < 1 || value > 2147483647 || value ~= fix(value)
                error('brindleport:BaudRate', 'brindleport: BaudRate must be a whole number from 1 to 2147483647.');
            end
            obj.configure(struct('BaudRate', double(value)), 'BaudRate');
            obj.BaudRate = double(value);
        end

        function obj = set.DataBits(obj, value)
            if ~brindleport.isNumber(value) || ~any(value == [5 6 7 8])
                error('brindleport:DataBits', 'brindleport: DataBits must be 5, 6, 7 or 8.');
            end
            obj.configure(struct('DataBits', double(value)), 'DataBits');
            obj.DataBits = double(value);
        end

        function obj = set.StopBits(obj, value)
            if ~brindleport.isNumber(value) || ~any(value == [1 1.5 2])
                error('brindleport:StopBits', 'brindleport: StopBits must be 1, 1.5 or 2.');
            end
            obj.configure(struct('StopBits', double(value)), 'StopBits');
            obj.StopBits = double(value);
        end

        function obj = set.Parity(obj, value)
            value = brindleport.word(value, 'Parity', {'none', 'odd', 'even', 'mark', 'space'});
            obj.configure(struct('Parity', value), 'Parity');
            obj.Parity = value;
        end

        function obj = set.FlowControl(obj, value)
            value = brindleport.word(value, 'FlowControl', {'none', 'hardware', 'software'});
            settings = struct('FlowControl', value);
            if ~strcmp(value, 'hardware')
                settings.RTS = obj.Rts;   % the handshake no longer drives RTS
            end
            obj.configure(settings, 'FlowControl');
            obj.FlowControl = value;
        end

        function obj = set.Timeout(obj, value)
            if ~brindleport.isNumber(value) || value < 0
                error('brindleport:Timeout', 'brindleport: Timeout must be seconds, 0 or more (Inf for none).');
            end
            settings.ReadTimeout = double(value);
            settings.WriteTimeout = double(value);
            if value == 0
                settings.WriteTimeout = Inf;   % a write waits until every byte is sent
            end
            obj.configure(settings, 'Timeout');
            obj.Timeout = double(value);
        end

        function obj = set.ByteOrder(obj, value)
            obj.ByteOrder = brindleport.word(value, 'ByteOrder', {'little-endian', 'big-endian'});
        end

        function obj = set.InputBufferSize(obj, value)
            if ~brindleport.isNumber(value) || value ~= fix(value) || ...
                    ~(value == 0 || (value >= 4096 && value <= 268435456))
                error('brindleport:InputBufferSize', 'brindleport: InputBufferSize must be 0 or a whole number of bytes from 4096 to 268435456.');
            end
            obj.configure(struct('InputBufferSize', double(value)), 'InputBufferSize');
            obj.InputBufferSize = double(value);
        end

        function obj = set.ReadIntervalTimeout(obj, value)
            if ~brindleport.isNumber(value) || ~(value > 0)
                error('brindleport:ReadIntervalTimeout', 'brindleport: ReadIntervalTimeout must be seconds, more than 0 (Inf for none).');
            end
            obj.configure(struct('ReadIntervalTimeout', double(value)), 'ReadIntervalTimeout');
            obj.ReadIntervalTimeout = double(value);
        end
    end

    methods (Access = private)
        function settings = lineSettings(obj)
            settings = struct('BaudRate', obj.BaudRate, 'DataBits', obj.DataBits, ...
                              'Parity', obj.Parity, 'StopBits', obj.StopBits, ...
                              'FlowControl', obj.FlowControl, 'ReadTimeout', obj.Timeout, ...
                              'WriteTimeout', obj.Timeout, ...
                              'ReadIntervalTimeout', obj.ReadIntervalTimeout, ...
                              'InputBufferSize', obj.InputBufferSize);
            if obj.Timeout == 0
                settings.WriteTimeout = Inf;
            end
        end

        function configure(obj, settings, name)
            % Applies settings to the open port; before the open (in the
            % constructor) the value is only kept.
            try
                constructing = isnan(obj.FileID);
            catch
                constructing = false;   % MATLAB: a deleted object
            end
            if constructing
                return
            end
            obj.liveSlot(name);
            try
                brindlecast('comset', obj.FileID, settings);
            catch err
                if brindleport.isOpen(obj.FileID)
                    error(['brindleport:' name], 'brindleport: the port refused this %s.', name);
                end
                brindleport.fail(obj, err, name);
            end
        end

        function varargout = ask(obj, where, refusal, mode, varargin)
            % A mode of the module on the object's port, its errors the
            % object's: refusal says why an open port refused the call.
            obj.liveSlot(where);
            try
                [varargout{1:nargout}] = brindlecast(mode, obj.FileID, varargin{:});
            catch err
                if ~isempty(refusal) && brindleport.isOpen(obj.FileID)
                    error(['brindleport:' where], 'brindleport: %s: %s %s.', where, obj.Port, ...
                          refusal);
                end
                brindleport.fail(obj, err, where);
            end
        end

        function k = liveSlot(obj, where)
            % The object's row, if its port is still the one it opened.
            global BRINDLEPORT_PORTS
            k = 0;
            try
                k = obj.Slot;
                if k > 0 && ~(BRINDLEPORT_PORTS(k, 2) == obj.FileID)
                    k = 0;
                end
            catch
                k = 0;
            end
            if k == 0
                brindleport.closed(where);
            end
        end

        function hold(obj, k, bytes)
            % Reads go to the module's FileID only while the object holds nothing.
            global BRINDLEPORT_PORTS
            obj.Held = bytes;
            BRINDLEPORT_PORTS(k, 3) = numel(bytes);
            global BRINDLEPORT_LINES
            BRINDLEPORT_PORTS(k, 1) = BRINDLEPORT_PORTS(k, 2) * isempty(bytes);
            BRINDLEPORT_LINES{k}{1} = BRINDLEPORT_PORTS(k, 1);
        end

        function tf = holds(obj, err)
            % Whether a read failed over because the object holds bytes.
            global BRINDLEPORT_PORTS
            tf = false;
            try
                k = obj.Slot;
                tf = BRINDLEPORT_PORTS(k, 1) == 0 && BRINDLEPORT_PORTS(k, 2) == obj.FileID && ...
                     ~strncmp(err.identifier, 'brindleport:', 12);
            catch
            end
        end

        function [data, n] = readValues(obj, k, count, datatype)
            % count values of datatype, the object's held bytes first.
            [cls, width] = brindleport.dataType(datatype, 'datatype');
            brindleport.count(count, 'count');
            id = obj.FileID;
            held = obj.Held;
            big = strcmp(obj.ByteOrder, 'big-endian');
            if isempty(held) && any(strcmp(cls, {'uint8', 'int8', 'uint16', 'int16', 'uint32', 'int32', 'single', 'double'}))
                % The module keeps a part of a value for the next read.
                [v, n] = brindlecast('comread', id, count, cls);
            else
                need = count * width;
                if numel(held) >= need
                    bytes = held(1:need);
                    held = held(need + 1:end);
                else
                    [more, ~] = brindlecast('comread', id, need - numel(held));
                    bytes = [held more];
                    whole = floor(numel(bytes) / width) * width;
                    held = bytes(whole + 1:end);
                    bytes = bytes(1:whole);
                end
                obj.hold(k, held);
                v = typecast(uint8(bytes), cls);
                n = numel(v);
            end
            if big && width > 1
                v = swapbytes(v);
            end
            if strcmp(datatype, 'char') || strcmp(datatype, 'string')
                data = char(double(v));
                if strcmp(datatype, 'string') && ~brindleport.inOctave()
                    data = string(data);
                end
            else
                data = double(v);
            end
        end

        function [n, c] = writeEncoded(obj, data, datatype)
            % data as datatype's bytes in ByteOrder, written.
            global BRINDLEPORT_PORTS
            bytes = brindleport.encode(data, datatype, obj.ByteOrder);
            c = numel(bytes);
            n = brindlecast('comwrite', BRINDLEPORT_PORTS(obj.Slot, 2), bytes, c);
        end

        function [n, c] = writeAgain(obj, err, data, where)
            % After the module refused a write: values it could not send as
            % bytes (a string, a logical, a 64-bit integer) are encoded here,
            % and values no byte holds are refused naming the argument.
            if strncmp(err.identifier, 'brindleport:', 12)
                rethrow(err);
            end
            said = regexprep(err.message, '^brindlecast: ', '');   % Octave names the MEX file
            if ~any(strcmp(said, {'Invalid data type to COMWRITE', ...
                    'Invalid data to COMWRITE.', 'Invalid count to COMWRITE.'}))
                brindleport.fail(obj, err, where);
            end
            try
                [n, c] = obj.writeEncoded(data, 'uint8');
            catch again
                brindleport.fail(obj, again, where);
            end
        end

        function line = lineRest(obj, acc, n)
            % lineChars' line, a string in MATLAB as the module gives it.
            global BRINDLEPORT_PORTS
            line = obj.lineChars(acc, n);
            if BRINDLEPORT_PORTS(obj.Slot, 5)
                line = string(line);
            end
        end

        function line = lineChars(obj, acc, n)
            % A line that did not come whole from one comreadline: n 0, the
            % time-out (what came stays in the module); n -1, after bytes
            % the object holds; else a line longer than a block (acc). The
            % rest is read in calls given what is left of the Timeout.
            global BRINDLEPORT_PORTS BRINDLEPORT_LINES
            k = obj.Slot;
            id = BRINDLEPORT_PORTS(k, 2);
            t = double(BRINDLEPORT_LINES{k}{3});
            acc = char(acc);
            if n < 0
                acc = char(obj.Held);
                obj.hold(k, zeros(1, 0));
            end
            started = tic;
            while n ~= 0
                at = strfind(acc, char(t));
                if ~isempty(at)
                    line = acc(1:at(1) - 1);
                    obj.hold(k, double(acc(at(1) + numel(t):end)));
                    return
                end
                if numel(t) == 2 && ~isempty(acc) && acc(end) == 13
                    % A CR/LF parted by a block's end: its LF is next.
                    [b, n] = brindlecast('comread', id, 1);
                    acc = [acc char(b)];
                    continue
                end
                left = obj.Timeout - toc(started);
                shorter = left < obj.Timeout;
                if shorter
                    brindlecast('comset', id, struct('ReadTimeout', max(left, 0)));
                end
                [b, n] = brindlecast('comreadline', id, 1048576, t, 'char');
                if shorter
                    brindlecast('comset', id, struct('ReadTimeout', obj.Timeout));
                end
                if numel(b) < n   % its terminator came
                    line = [acc b];
                    return
                end
                acc = [acc b];
            end
            obj.hold(k, double(acc));
            line = '';
            warning('brindleport:timeout', ['brindleport: readline: no whole line within ' ...
                    'the Timeout; what came of it is kept for the next readline.']);
        end
    end

    methods (Static, Access = private)
        function fail(obj, err, where)
            % After a module error: the object's own error, never the module's.
            if strncmp(err.identifier, 'brindleport:', 12)
                rethrow(err);
            end
            global BRINDLEPORT_PORTS
            try
                k = obj.Slot;
                id = BRINDLEPORT_PORTS(k, 2);
            catch
                brindleport.closed(where);
            end
            if ~(id == obj.FileID) || ~brindleport.isOpen(id)
                BRINDLEPORT_PORTS(k, 1:2) = NaN;   % never again, whoever opens this FileID
                global BRINDLEPORT_LINES
                BRINDLEPORT_LINES{k}{1} = NaN;
                brindleport.closed(where);
            end
            error(['brindleport:' where], 'brindleport: %s failed on port %s.', where, obj.Port);
        end

        function closed(where)
            error('brindleport:closed', ['brindleport: %s: the port is closed (the object ' ...
                  'was deleted, or its port closed by comclose or clear brindlecast).'], where);
        end

        function tf = isOpen(id)
            try
                brindlecast('comcount', id);
                tf = true;
            catch
                tf = false;
            end
        end

        function tf = inOctave()
            tf = exist('OCTAVE_VERSION', 'builtin') ~= 0;
        end

        function tf = isNumber(value)
            tf = (isnumeric(value) || islogical(value)) && isscalar(value) && isreal(value) && ...
                 ~issparse(value) && ~isnan(value);
        end

        function tf = flag(value, name)
            if ~brindleport.isNumber(value)
                error(['brindleport:' name], 'brindleport: %s must be true or false.', name);
            end
            tf = value ~= 0;
        end

        function count(value, name)
            if ~brindleport.isNumber(value) || islogical(value) || value < 0 || ...
                    value ~= fix(value) || isinf(value)
                error(['brindleport:' name], 'brindleport: %s must be a whole number, 0 or more.', name);
            end
        end

        function s = text(value, name)
            if isa(value, 'string') && isscalar(value)
                value = char(value);
            end
            if ~ischar(value) || isempty(value) || size(value, 1) ~= 1
                error(['brindleport:' name], 'brindleport: %s must be nonempty text.', name);
            end
            s = value;
        end

        function bytes = textBytes(value, name)
            if isa(value, 'string') && isscalar(value)
                value = char(value);
            end
            if ~ischar(value) || size(value, 1) > 1
                error(['brindleport:' name], 'brindleport: %s must be text.', name);
            end
            if any(double(value) > 255)
                error(['brindleport:' name], 'brindleport: %s has characters above 255.', name);
            end
            bytes = uint8(double(value));
        end

        function w = word(value, name, choices)
            if isa(value, 'string') && isscalar(value)
                value = char(value);
            end
            w = '';
            if ischar(value) && size(value, 1) == 1
                w = lower(value);
            end
            if ~any(strcmp(w, choices))
                error(['brindleport:' name], 'brindleport: %s must be one of: %s.', name, ...
                      strjoin(choices, ', '));
            end
        end

        function [bytes, label] = terminator(value, name)
            if isa(value, 'string') && isscalar(value)
                value = char(value);
            end
            if ischar(value) && size(value, 1) == 1
                label = upper(value);
                switch label
                    case 'LF', bytes = 10;
                    case 'CR', bytes = 13;
                    case 'CR/LF', bytes = [13 10];
                    otherwise, label = '';
                end
            elseif brindleport.isNumber(value) && ~islogical(value) && value >= 0 && ...
                    value <= 255 && value == fix(value)
                bytes = double(value);
                label = bytes;
            else
                label = '';
            end
            if isempty(label)
                error(['brindleport:' name], 'brindleport: %s must be ''LF'', ''CR'', ''CR/LF'' or a byte 0..255.', name);
            end
        end

        function [cls, width] = dataType(datatype, name)
            names = {'uint8', 'int8', 'uint16', 'int16', 'uint32', 'int32', 'uint64', ...
                     'int64', 'single', 'double', 'char', 'string'};
            widths = [1 1 2 2 4 4 8 8 4 8 1 1];
            t = brindleport.word(datatype, name, names);
            at = find(strcmp(t, names));
            width = widths(at);
            cls = t;
            if width == 1 && at > 10
                cls = 'uint8';
            end
        end

        function bytes = encode(data, datatype, order)
            % data as datatype's bytes; refuses what the datatype cannot hold.
            [cls, width] = brindleport.dataType(datatype, 'datatype');
            if isa(data, 'string') || ischar(data)
                bytes = brindleport.textBytes(data, 'data');
                return
            end
            if islogical(data)
                data = double(data);
            end
            ok = isnumeric(data) && isreal(data) && ~issparse(data);
            if ok
                data = data(:)';
                v = cast(data, cls);
                if strcmp(cls, 'single')
                    ok = all(isfinite(v) | ~isfinite(data));   % nothing overflowed
                elseif ~strcmp(cls, 'double')
                    % A cast saturates and rounds: what comes back unchanged fits.
                    ok = all(cast(v, class(data)) == data);
                    if ok && width == 8 && isfloat(data)   % 2^63 comes back from intmax
                        ok = all(data < 2 ^ (63 + strcmp(cls, 'uint64')));
                    end
                end
            end
            if ~ok
                error('brindleport:data', 'brindleport: data must be real numbers that %s can hold.', cls);
            end
            if strcmp(order, 'big-endian') && width > 1
                v = swapbytes(v);
            end
            bytes = typecast(v, 'uint8');
        end
    end
end
