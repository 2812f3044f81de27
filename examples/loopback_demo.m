function loopback_demo(end_a, end_b)
% A conversation over a null-modem cable: the two ends of the cable are
% opened as two serial ports, text and numbers go one way, a reply comes
% back the other, a query is answered line by line, a read ends on its
% time-out, bytes waiting are counted and discarded, a board is reset by
% pulsing DTR (reset_board.m), and both ports are closed again. Runs in
% MATLAB and Octave.
%
%   loopback_demo('/tmp/cable/a', '/tmp/cable/b')
settings = struct('BaudRate', 115200, 'Parity', 'none', 'StopBits', 1, ...
              'DataBits', 8, 'ReadTimeout', 1);   % a read waits at most 1 s

instrument = settings;  instrument.PortName = end_a;
controller = settings;  controller.PortName = end_b;
a = brindlecast('comopen', instrument);
b = brindlecast('comopen', controller);
fprintf('Opened %s as FileID %d and %s as FileID %d (115200 baud, 8N1).\n\n', ...
        end_a, a, end_b, b);

% Text as uint8: MATLAB stores a char in 2 bytes, Octave in 1.
query = uint8('MEAS:VOLT?');
sent = brindlecast('comwrite', b, query, numel(query));
[bytes, n] = brindlecast('comread', a, sent);
fprintf('controller -> instrument  %2d bytes  text    ''%s''\n', n, char(bytes));

reading = single([3.3 -0.25 12]);
sent = brindlecast('comwrite', a, reading, numel(reading));
[bytes, n] = brindlecast('comread', b, sent);
fprintf('instrument -> controller  %2d bytes  single  [%s]\n', n, ...
        num2str(typecast(uint8(bytes), 'single'), '%g '));

status = uint8([6 0 255]);
sent = brindlecast('comwrite', a, status, numel(status));
[bytes, n] = brindlecast('comread', b, sent);
fprintf('instrument -> controller  %2d bytes  uint8   [%s]\n', n, num2str(bytes));

% A query answered in lines (LF-terminated, as instruments do): the
% instrument's two lines go out in one write, and comreadline returns them
% one per call, keeping the second for the next call.
query = [uint8('*IDN?') 10];
brindlecast('comwrite', b, query, numel(query));
[bytes, n] = brindlecast('comreadline', a, 64);
fprintf('\ncontroller -> instrument  %2d bytes  line    ''%s''\n', n, char(bytes(1:end-1)));
reply = [uint8('QUENTAROX,Demo,0001,0.1') 10 uint8('READY') 10];
brindlecast('comwrite', a, reply, numel(reply));
for k = 1:2
    [bytes, n] = brindlecast('comreadline', b, 64);
    fprintf('instrument -> controller  %2d bytes  line    ''%s''\n', n, char(bytes(1:end-1)));
end

% Three bytes sent, eight asked for: the read returns the three after 1 s.
brindlecast('comwrite', a, uint8([1 2 3]), 3);
started = tic;
[bytes, n] = brindlecast('comread', b, 8);
fprintf('\nAsked for 8 bytes, got %d [%s] after %.1f s (ReadTimeout 1 s).\n', ...
        n, num2str(bytes), toc(started));

% Bytes that arrive unread are counted, then discarded.
brindlecast('comwrite', a, uint8('stale'), 5);
pause(0.2);   % time for the cable to carry them
waiting = brindlecast('comcount', b);
brindlecast('comflush', b, 'input');
fprintf('%d bytes were waiting at the controller; after comflush: %d.\n', ...
        waiting, brindlecast('comcount', b));

% A board that restarts on DTR: a pseudo-terminal has no DTR line, so here
% the instrument end has its greeting sent before the reset.
greeting = [uint8('board ready') 13 10];
brindlecast('comwrite', a, greeting, numel(greeting));
fprintf('After a DTR pulse (comset) the board said ''%s''.\n', reset_board(b));

brindlecast('comclose', a);
brindlecast('comclose', b);
fprintf('\nClosed both ports.\n');
end
