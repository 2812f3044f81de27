function varargout = brindlecast(varargin)
%BRINDLECAST  Serial (COM) port access for MATLAB and GNU Octave.
%
%   ID = BRINDLECAST('comopen', PORT) opens the serial port that the struct
%   PORT describes, sets its line and returns its FileID (a double).
%   PORT's fields:
%     PortName  the port's name, a nonempty char array (required).
%               Windows: 'COM3'. Linux: 'COMn' in any letter case is
%               /dev/ttyS<n-1>; a name that starts with '/' is used as it is
%               ('/dev/ttyUSB0'); any other name is looked for in /dev/
%               ('ttyACM0' is /dev/ttyACM0).
%     BaudRate  bits per second, a positive number; a fraction is truncated
%               (9600.7 gives 9600).
%     Parity    'none', 'odd', 'even', 'mark' or 'space', in any letter case;
%               any other value leaves the port's parity as it was.
%     StopBits  1, 1.5 or 2; any other value leaves the stop bits as they
%               were.
%     DataBits  5, 6, 7 or 8.
%   A field that is absent keeps the port's current setting. DTR and RTS are
%   always switched off. The port is held exclusively until it is closed.
%
%   BRINDLECAST('comclose', ID) closes the port with FileID ID.
%
%   N = BRINDLECAST('comwrite', ID, DATA, COUNT) writes the bytes of the first
%   COUNT elements of DATA as they lie in memory (little-endian) and returns
%   the number of bytes written. DATA is a real, full array of class char,
%   double, single, int8, uint8, int16, uint16, int32 or uint32; other
%   classes, sparse and complex arrays are refused. An element is 8 bytes
%   (double), 4 (single, int32, uint32), 2 (int16, uint16) or 1 (int8, uint8).
%   For char data COUNT counts bytes of the host's own storage of the text:
%   Octave stores 1 byte a character, so BRINDLECAST('comwrite', ID, 'AB', 2)
%   sends A and B; MATLAB stores 2 bytes a character, so the same call sends
%   A and a 0 byte. uint8(TEXT) sends the same bytes in both. COUNT is
%   truncated; a negative or NaN COUNT, or one beyond DATA, is refused.
%
%   [BYTES, N] = BRINDLECAST('comread', ID, COUNT) reads up to COUNT bytes.
%   BYTES is a 1-by-N row of doubles 0..255 and N is how many bytes arrived.
%   COUNT 0 gives zeros(1,0). When the device read fails (for example, the
%   other end hung up) BYTES is 0 and N is what arrived.
%
%   Read time-outs
%   A read waits until all COUNT bytes have arrived, unless the port has a
%   read time-out; then it returns what arrived in time. BRINDLECAST never
%   changes a port's time-outs: give them before opening the port.
%     Linux:    stty -F DEVICE min 0 time 10   (one second, no minimum count)
%     Windows:  the port's COMMTIMEOUTS, for example set with  mode COM3 to=on
%               or left at the device driver's defaults.
%
%   FileIDs
%   A port's FileID is the sum of the bytes of its name, each taken as a
%   signed 8-bit value: COM3 is 67+79+77+51 = 274. Names whose bytes have
%   equal sums share one FileID, and opening one closes the other: COM12 and
%   COM21 are both 322. Opening an open port's name again reopens it.
%
%   Unloading
%   clear brindlecast, clear mex, clear all and exit close every port still
%   open, with the warning "Closing all open Serial Port. It is no longer
%   possible to write to any previously open Serial Port."
%
%   Errors (Octave puts "brindlecast: " before the message)
%   QUENTAROX:brindlecast
%     Invalid number of input arguments.       fewer than 2 or more than 8
%     First input to BRINDLECAST must be a string.
%     Memory allocation failed.
%     Unrecognized mode for BRINDLECAST.       modes are lower case words
%   QUENTAROX:brindlecast:comopen
%     Invalid number of inputs to COMOPEN.
%     The first input to COMOPEN must be a valid QUENTAROX object.
%                                              PORT is not a struct
%     Invalid PortName in input to COMOPEN.    missing, empty or not char
%     Cannot open com port.                    no such port, or it is in use
%     Error Setting Comm State.                not a serial port, or the
%                                              line settings were refused
%     Error Creating FileID.
%   QUENTAROX:brindlecast:comclose
%     Cannot close the port.                   no open port with that FileID
%   QUENTAROX:brindlecast:comwrite
%     Invalid number of inputs to COMWRITE.
%     Cannot write the port.                   no open port with that FileID
%     Invalid data type to COMWRITE
%     Invalid count to COMWRITE.
%   QUENTAROX:brindlecast:comread
%     Invalid number of inputs to COMREAD.
%     Cannot read the port.                    no open port with that FileID
%     Invalid count to COMREAD.                negative or NaN
%     Memory allocation failed.
%   without an identifier
%     Out of memory in MEX-file
%     Unable to find node in list
%
%   Example (the port given a read time-out beforehand, see above)
%     port = struct('PortName', 'COM3', 'BaudRate', 115200, ...
%                   'Parity', 'none', 'StopBits', 1, 'DataBits', 8);
%     id = brindlecast('comopen', port);
%     query = uint8(['*IDN?' 10]);
%     brindlecast('comwrite', id, query, numel(query));
%     [bytes, n] = brindlecast('comread', id, 64);
%     reply = char(bytes)
%     brindlecast('comclose', id);
%
%   This file holds the help text; the compiled module (brindlecast.mex in
%   Octave, brindlecast.mexw64 or .mexa64 in MATLAB) takes its place when
%   both are on the path.
%
%   See also MAKE_BRINDLECAST.

% Reached only when the compiled module is not on the path.
error(['The compiled brindlecast module is not on the path: build it ', ...
       'with make_brindlecast, or in Octave run "pkg load brindlecast".']);
