function registers = modbus_query(id, unit, first, count)
% Reads COUNT holding registers, from address FIRST, of the Modbus RTU device
% UNIT on the RS-485 port ID, and returns them as a uint16 row: a Modbus-style
% request and reply with typed values, ReadIntervalTimeout and comdrain. Runs
% in MATLAB and Octave.
%
% A Modbus RTU frame has no length and no terminator: it ends when the line
% falls quiet for 3.5 characters, 2 ms at 19200 baud with 11-bit characters.
% ReadIntervalTimeout says so, and ReadTimeout bounds the wait for a reply
% that never starts:
%
%   id = brindlecast('comopen', struct('PortName', 'COM5', 'BaudRate', 19200, ...
%            'Parity', 'even', 'StopBits', 1, 'DataBits', 8, ...
%            'ReadTimeout', 1, 'WriteTimeout', 1, 'ReadIntervalTimeout', 0.002));
%   temperatures = double(modbus_query(id, 1, 0, 4)) / 10
%   brindlecast('comclose', id);
%
% A reply cut short, or an exception reply (5 bytes), ends 2 ms after its last
% byte rather than at ReadTimeout. A part of a register left by a short reply
% stays held by the port; the comflush before each request drops it.

% The request: unit, function 3, first register and count (big-endian, as
% Modbus sends them), then the CRC. comwrite sends a uint16 little-endian,
% which is how Modbus sends its CRC: low byte first.
request = [uint8([unit, 3]), typecast(swapbytes(uint16([first, count])), 'uint8')];
brindlecast('comflush', id, 'input');
brindlecast('comwrite', id, request, numel(request));
brindlecast('comwrite', id, modbus_crc(request), 1);
% The bus turns around once the last character has left: before that, the
% device's reply would collide with the request's end.
unsent = brindlecast('comdrain', id);
if unsent > 0
    error('modbus_query:unsent', '%d bytes of the request were not sent.', unsent);
end

% The reply: unit, function and byte count; the registers; the CRC.
[head, n] = brindlecast('comread', id, 3, 'uint8');
if n < 3
    error('modbus_query:noReply', 'No reply from unit %d.', unit);
end
if bitand(head(2), 128)   % an exception: its code, then the CRC, and the frame ends
    error('modbus_query:exception', 'Unit %d answered with exception %d.', unit, head(3));
end
[values, n] = brindlecast('comread', id, count, 'uint16');
[crc, m] = brindlecast('comread', id, 1, 'uint16');
if head(3) ~= 2 * count || n < count || m < 1 || ...
        crc ~= modbus_crc([head, typecast(values, 'uint8')])
    error('modbus_query:badReply', 'The reply from unit %d is cut short or damaged.', unit);
end
registers = swapbytes(values);   % big-endian on the wire
end

function crc = modbus_crc(bytes)
% CRC-16/MODBUS: polynomial 0xA001 (reflected), starting from 0xFFFF.
crc = uint16(65535);
for byte = double(bytes)
    crc = bitxor(crc, uint16(byte));
    for bit = 1:8
        if bitand(crc, 1)
            crc = bitxor(bitshift(crc, -1), uint16(40961));
        else
            crc = bitshift(crc, -1);
        end
    end
end
end
