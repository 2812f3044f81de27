function serialport_style(port)
% A script written for MATLAB's serialport, run on brindlecast through
% brindleport: it asks an instrument who it is (*IDN?), fetches a waveform
% as an IEEE 488.2 binary block, and reads four big-endian uint16
% temperatures. The names and results are serialport's; the same script
% runs in MATLAB and Octave.
%
%   serialport_style('COM3')
%
% Without an instrument: examples/instrument.py answers as one at the far
% end of a null-modem cable, such as a socat pair (scripts/demo does this):
%
%   socat pty,raw,echo=0,link=/tmp/cable/a pty,raw,echo=0,link=/tmp/cable/b &
%   python3 examples/instrument.py /tmp/cable/b &
%   serialport_style('/tmp/cable/a')
s = brindleport(port, 115200, 'Timeout', 2);
configureTerminator(s, 'LF');
flush(s);

idn = writeread(s, '*IDN?');
fprintf('*IDN?  -> %s\n', char(idn));

writeline(s, 'CURV?');
wave = readbinblock(s, 'int16');   % doubles, whatever the datatype
readline(s);                        % the LF after the block
fprintf('CURV?  -> %d samples, from %d to %d\n', numel(wave), min(wave), max(wave));

s.ByteOrder = 'big-endian';
writeline(s, 'TEMP?');
tenths = read(s, 4, 'uint16');      % doubles: tenths(1) * 256 would not saturate
fprintf('TEMP?  -> %s degrees C\n', sprintf('%.1f ', tenths / 10));

fprintf('%d bytes written, %d waiting.\n', s.NumBytesWritten, s.NumBytesAvailable);
clear s   % closes the port
end
