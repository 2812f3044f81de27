function first_line = reset_board(id)
% Resets a board that restarts on DTR (an Arduino, for one) and returns the
% first line it prints: DTR goes low, then high again, with comset, which
% leaves every other setting of the port as it is (closing and reopening the
% port would also lower RTS). Bytes the board sent before the reset that are
% still waiting come first; drop them with comflush beforehand if need be.
% Runs in MATLAB and Octave. ID is an open port with a ReadTimeout, which
% bounds the wait for each byte.
%
%   id = brindlecast('comopen', struct('PortName', 'COM4', 'BaudRate', 115200, ...
%                                      'DTR', 1, 'ReadTimeout', 2));
%   brindlecast('comflush', id, 'input');
%   disp(reset_board(id));
%   brindlecast('comclose', id);
brindlecast('comset', id, struct('DTR', 0));
pause(0.1);
brindlecast('comset', id, struct('DTR', 1));   % the rising edge restarts the board

line = zeros(1, 0);
while numel(line) < 256
    [byte, n] = brindlecast('comread', id, 1);
    if n == 0 || byte == 10   % the time-out passed, or the line ended
        break;
    end
    line(end + 1) = byte; %#ok<AGROW>
end
first_line = char(line(line ~= 13));
end
