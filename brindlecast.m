function varargout = brindlecast(varargin)
%BRINDLECAST  Serial (COM) port access for MATLAB and GNU Octave.
%
%   Version 0.2.0.
%
%   ID = BRINDLECAST('comopen', PORT) opens the serial port that the struct
%   PORT describes, sets its line and returns its FileID (a double). The
%   fields are read from PORT(1):
%     PortName      the port's name, nonempty text (required; a char array
%                   or, in MATLAB, a string such as "COM3").
%                   Windows: 'COM3'. Linux: 'COMn' in any letter case is
%                   /dev/ttyS<n-1>; a name that starts with '/' is used as it
%                   is ('/dev/ttyUSB0'); any other name is looked for in /dev/
%                   ('ttyACM0' is /dev/ttyACM0). Or a USB device's ids, on
%                   any system: 'usb:VVVV:PPPP' or 'usb:VVVV:PPPP:SERIAL'
%                   opens the one present port of that device (see comlist).
%     BaudRate      bits per second, a positive number up to 2147483647; a
%                   fraction is truncated (9600.7 gives 9600).
%     Parity        'none', 'odd', 'even', 'mark' or 'space', in any letter
%                   case; any other value leaves the port's parity as it was.
%     StopBits      1, 1.5 or 2; any other value leaves the stop bits as they
%                   were.
%     DataBits      5, 6, 7 or 8.
%     ReadTimeout   seconds: 0, a positive number or Inf (see Time-outs).
%     WriteTimeout  seconds: a positive number or Inf (see Time-outs).
%     ReadIntervalTimeout
%                   seconds: a positive number, or Inf for none (see
%                   Time-outs).
%     DTR, RTS      a real logical or numeric scalar, not NaN: nonzero raises
%                   the line, zero lowers it. Absent: the line is lowered.
%     FlowControl   'none', 'hardware' (RTS/CTS) or 'software' (XON/XOFF),
%                   in any letter case. With 'hardware' the handshake drives
%                   RTS, and an RTS field is refused.
%     InputBufferSize
%                   bytes: a whole number from 4096 to 2^28 starts the
%                   port's reader, which holds at most that many bytes
%                   received between calls (see Reading between calls); 0,
%                   or no field, starts none.
%   An absent BaudRate, Parity, StopBits, DataBits or FlowControl keeps the
%   port's current setting. A BaudRate or DataBits given as [], a cell, a
%   struct, a function handle or an object makes the open fail with "Error
%   Setting Comm State."; a StopBits of that kind leaves the stop bits as
%   they were. ReadTimeout, WriteTimeout, ReadIntervalTimeout, DTR, RTS,
%   FlowControl and InputBufferSize are checked after PortName and before
%   any port is closed or opened: a refused value leaves an open port with
%   the same FileID open. comopen also clears the port's abort-on-error
%   setting, which a Windows port left with it by another program would
%   otherwise keep, refusing every transfer after its first line error. The
%   port is held exclusively until it is closed.
%
%   BRINDLECAST('comclose', ID) closes the port with FileID ID.
%
%   N = BRINDLECAST('comwrite', ID, DATA, COUNT) writes the bytes of the first
%   COUNT elements of DATA as they lie in memory (little-endian) and returns
%   the number of bytes written. DATA is a real, full array of class char,
%   double, single, int8, uint8, int16, uint16, int32 or uint32; other
%   classes (a function handle, an object, a MATLAB string), sparse and
%   complex arrays are refused: send a string S as uint8(char(S)), or as
%   unicode2native(S) for text outside Latin-1. An element is 8 bytes (double), 4 (single, int32, uint32), 2
%   (int16, uint16) or 1 (int8, uint8). For char data COUNT counts bytes of
%   the host's own storage of the text (see Text). COUNT is truncated; a
%   negative or NaN COUNT, one beyond DATA, or one that is not a number ([],
%   a cell, a struct, a function handle, an object) is refused.
%
%   N = BRINDLECAST('comwrite', ID, DATA, COUNT, CLASS) writes the values of
%   the first COUNT elements of DATA (a character's value is its code) as
%   elements of CLASS ('uint8', 'int8', 'uint16', 'int16', 'uint32',
%   'int32', 'single' or 'double', in lower case), little-endian, as comread
%   with CLASS reads them back: 'uint8' sends [65 66] and 'AB' alike, in
%   MATLAB and Octave. A value CLASS cannot hold (a fraction, NaN or one out
%   of range, for the integer classes) is refused and nothing is sent.
%
%   [BYTES, N] = BRINDLECAST('comread', ID, COUNT) reads up to COUNT bytes.
%   BYTES is a 1-by-N row of doubles 0..255 and N is how many bytes arrived.
%   COUNT 0 gives zeros(1,0). When the device read fails (for example, the
%   other end hung up) BYTES is 0 and N is what arrived. COUNT is refused as
%   for comwrite. Held bytes (read ahead by comreadline, or by the port's
%   reader) come first; when they are enough the device is not asked, and
%   they are returned even when the device read after them fails.
%
%   [VALUES, N] = BRINDLECAST('comread', ID, COUNT, CLASS) reads up to COUNT
%   elements of CLASS: 'uint8', 'int8', 'uint16', 'int16', 'uint32',
%   'int32', 'single' or 'double', in lower case. They are read as comwrite
%   sends them (little-endian), COUNT times the element's size in bytes.
%   VALUES is a 1-by-N row of that class and N the number of whole
%   elements. A part of an element, at the time-out or when the device is
%   lost, stays held for the next read: a sample is never split. A COUNT
%   whose bytes exceed 2^32 - 1 is refused.
%
%   [WAITING, UNSENT, WRITTEN] = BRINDLECAST('comcount', ID) returns the
%   number of bytes received and not yet read, the number written and not
%   yet sent, and the number comwrite has written since the port was opened
%   (doubles); WAITING includes the held bytes. A port whose device was
%   lost gives those and 0. The line errors the call finds are counted
%   for comerrors.
%
%   UNSENT = BRINDLECAST('comdrain', ID) waits until what was written has
%   left the port (an RS-485 master waits for that before it turns the bus
%   around) and returns the bytes still unsent: 0 when it drained. The
%   port's WriteTimeout bounds the wait from the call's start, and Ctrl-C
%   ends it. A pseudo-terminal always drains at once. A port whose device
%   was lost gives what its queue last reported (0 when it could not be
%   asked).
%
%   ERRORS = BRINDLECAST('comerrors', ID) returns the line errors counted
%   since the port was opened or since the last comerrors, which starts them
%   again from 0, as a 1-by-1 struct of doubles: Overrun (the UART lost a
%   character), QueueOverflow (the input queue was full), Framing, Parity
%   and Break (a break arrived). Windows reports conditions, not counts: each
%   count is the number of the module's looks at the port's queues (those of
%   comcount, comreadline, comdrain and comerrors) that found the condition;
%   on Linux, the looks that found the driver's count grown. A Linux port
%   whose driver keeps no counts, such as a pseudo-terminal, gives an error.
%
%   BRINDLECAST('comflush', ID) or BRINDLECAST('comflush', ID, WHICH)
%   discards bytes. WHICH, in any letter case: 'input' (what was received and
%   not yet read, the held bytes too), 'output' (what was written and not
%   yet sent) or 'both', the default. It returns nothing; a purge that fails
%   on an open port is not reported.
%
%   BRINDLECAST('comset', ID, SETTINGS) changes the settings of an open port.
%   SETTINGS is a struct with any of comopen's fields, read from SETTINGS(1)
%   as comopen reads them; PortName is ignored, so the struct given to
%   comopen can be changed and given again. A field left out keeps what the
%   port has, DTR and RTS included: comset moves no line it is not asked to.
%   Every field is checked before anything changes, and a refused one leaves
%   the port as it was. A time-out given for one direction keeps the other
%   direction's as the port has it (none, for a Linux port never given
%   time-outs); ReadIntervalTimeout alone keeps both time-outs, and
%   ReadTimeout alone keeps the interval. RTS is refused while the port
%   would be in hardware flow control after the call. InputBufferSize 0
%   stops the port's reader (the held bytes stay); another size starts it,
%   or gives it that size. It returns nothing.
%
%   PINS = BRINDLECAST('compins', ID) returns the input modem lines as a
%   1-by-1 struct of logical scalars: ClearToSend, DataSetReady,
%   RingIndicator and CarrierDetect (true: the line is up). A port without
%   modem lines, such as a pseudo-terminal, gives an error.
%
%   BRINDLECAST('combreak', ID, SECONDS) holds the line in the break state
%   for SECONDS (rounded up to whole milliseconds), then releases it. SECONDS
%   is a real numeric scalar (not logical), more than 0 and at most 10: the
%   session waits for the break, unless Ctrl-C ends it (the break cleared).
%
%   V = BRINDLECAST('version') returns the module's version as a char row,
%   such as '0.2.0'.
%
%   NAMES = BRINDLECAST('comlist') returns the serial ports present now as a
%   1-by-N cell row of char rows, the names comopen opens them by, sorted by
%   name with a trailing number compared as a number (COM2 before COM10); a
%   1-by-0 cell when there are none. Windows: every COMn the system knows.
%   Linux: /dev/<name> for each tty of /sys/class/tty with a device behind
%   it, but not a ttyS port with no UART, and each bound Bluetooth port
%   (rfcomm); none on a system without /sys.
%
%   [NAMES, PORTS] = BRINDLECAST('comlist') also returns each port's device:
%   a 1-by-N struct array in the order of NAMES, every field in every element:
%     Name          as in NAMES
%     Transport     'usb', 'bluetooth' or 'native'
%     VendorID, ProductID   the USB ids as doubles (0x2341 is 9025); [] when
%                   not USB
%     SerialNumber, Manufacturer, Product   the USB device's strings; '' when
%                   it has none (Windows gives no Product: '')
%     Interface     the USB interface's string, where there is one (Linux)
%     Location      where it is plugged in: Linux '1-2.4', or '1-2.4:1.1' for
%                   an interface of a device with several; Windows the
%                   system's location text; '' when not known
%     Description   never empty: Linux the product (' - ' and the interface,
%                   if any), else the manufacturer, else the name; Windows the
%                   friendly name ('USB Serial Port (COM3)'), else the name
%   'version' and 'comlist' take no other input.
%
%   A PortName 'usb:VVVV:PPPP' (ids as 4 hex digits, any letter case) or
%   'usb:VVVV:PPPP:SERIAL' (the serial number exactly as comlist gives it)
%   opens the one present port with that vendor and product id (and serial
%   number); the FileID is the sum of that text, as for any name. None or
%   several matching ports (a dual adapter, two boards without serial
%   numbers) make comopen fail before any port is closed or opened. So a
%   script finds "the Arduino" by its ids on any machine:
%     [names, ports] = brindlecast('comlist');
%     isUno = arrayfun(@(p) isequal(p.VendorID, hex2dec('2341')) && ...
%                           isequal(p.ProductID, hex2dec('0043')), ports);
%     names(isUno)                             % {'COM7'} or {'/dev/ttyACM0'}
%     id = brindlecast('comopen', struct('PortName', 'usb:2341:0043', ...
%                                        'BaudRate', 115200, 'ReadTimeout', 1));
%
%   [BYTES, N] = BRINDLECAST('comreadline', ID, MAXCOUNT) or
%   BRINDLECAST('comreadline', ID, MAXCOUNT, TERMINATOR) reads one line: the
%   bytes up to and including the first TERMINATOR, or exactly MAXCOUNT
%   bytes when no terminator came within them, whichever is first. BYTES is
%   a row of doubles 0..255 as for comread, N their number. TERMINATOR is 1
%   to 8 bytes: a real numeric array of whole numbers 0..255 or a char array
%   of characters below 256; absent, it is LF (10). CR LF is [13 10]. A
%   terminator that would end past MAXCOUNT does not count. MAXCOUNT is read
%   as comread's COUNT. The port's ReadTimeout bounds the whole call from
%   its start; at the time-out, or when the device is lost, BYTES is
%   zeros(1,0) and N is 0, and what arrived of the line is kept for the next
%   call: a line never comes in halves, so a poll loop on a port with
%   ReadTimeout 0 sees whole lines or nothing. Without ReadTimeout the call
%   waits as comread does there, by the port's own rules. comreadline reads
%   what is waiting in blocks and keeps the bytes that came after the line
%   in the port's read-ahead (at most the largest MAXCOUNT asked for):
%   comread returns those first, comcount counts them, comflush 'input' and
%   'both' drop them, and comclose, a reopen and unloading free them.
%   [TEXT, N] = BRINDLECAST('comreadline', ID, MAXCOUNT, TERMINATOR, 'char')
%   gives the line as a char row without its terminator (a character for
%   each byte); N still counts the bytes taken, the terminator included, so
%   NUMEL(TEXT) == N means no terminator came (the time-out, or MAXCOUNT).
%   'string' gives it as a string in MATLAB (in Octave, which has none, the
%   char row).
%
%   An ID that is not a number ([], a cell, a struct, a function handle, an
%   object) matches no port.
%
%   Time-outs
%   ReadTimeout bounds every comread on the port:
%     0        comread returns at once with the bytes already waiting (at
%              most COUNT).
%     T > 0    comread returns when COUNT bytes have arrived, or T seconds
%              after it began with what arrived by then.
%     Inf      no time-out: comread waits for every byte.
%   WriteTimeout T > 0 bounds every comwrite: it returns when every byte is
%   written, or T seconds after it began with the number written by then.
%   Inf is no time-out; 0 is refused. A time-out is not an error: the cut
%   short call returns what it got, and N says how many bytes that is.
%   ReadIntervalTimeout I > 0 ends a comread once it has received at least
%   one byte and no further byte has come for I seconds: a frame with no
%   length and no terminator (Modbus RTU's ends after 3.5 quiet characters)
%   returns as soon as it has ended. Bytes already held count as received:
%   the interval then runs from the call's start, or from the last byte
%   that arrived during it. With ReadTimeout, whichever comes first ends
%   the read; ReadTimeout 0 still returns at once. Bytes that arrived while
%   the script was busy, waiting or held, come back together: no interval
%   can part them. comreadline ignores the interval. Inf is no interval; 0
%   is refused.
%   Times are rounded up to whole milliseconds; 4294967294 ms (4294967.294 s)
%   or more counts as Inf. A time-out is a real numeric array of any numeric
%   class (not logical, sparse or complex) with exactly one element, not NaN.
%   Giving any of the three fields sets the port's time-outs in both
%   directions; a direction left out gets no time-out. Giving none leaves
%   the port's own time-outs untouched: on Linux the tty's VMIN and VTIME, on Windows
%   whatever COMMTIMEOUTS the driver holds, perhaps set by an earlier
%   program and often all zero, which waits for every byte.
%
%   Reading between calls
%   Between two calls nothing reads the port: a device that streams faster
%   than the script reads fills the driver's queue (about 20 KB on Linux,
%   often 4 KB on Windows) and, without flow control, what comes after is
%   lost. A port opened (or set) with InputBufferSize has a reader: a thread
%   that moves what arrives into the port's held bytes, within milliseconds,
%   while the script is busy elsewhere, until InputBufferSize bytes are
%   held; then the driver's queue fills as without it. comread, comreadline
%   and comcount serve and count the held bytes first; comflush 'input' and
%   'both' drop them. A call that needs the device pauses the reader for its
%   length and waits and reads as without one; the reader never waits
%   inside the device, so no write waits for it. comset with
%   InputBufferSize 0, comclose, a comopen that replaces the port and
%   unloading stop it. When the device is lost the reader ends; the held
%   bytes are still served. It costs a block of InputBufferSize bytes and,
%   idle, 0.8-1.1% of one core (measured on a 2-core virtual machine).
%     id = brindlecast('comopen', struct('PortName', 'COM3', ...
%                      'BaudRate', 921600, 'ReadTimeout', 0, ...
%                      'InputBufferSize', 1e6));
%     [bytes, n] = brindlecast('comread', id, 1e6);  % all since last time
%
%   Ctrl-C
%   Ctrl-C ends any wait of comread, comreadline, comwrite, combreak and
%   comdrain within about 0.1 s, and the script stops as it does anywhere else (try
%   and catch do not catch it). The bytes an interrupted read had received
%   stay with the port for the next comread or comreadline; a write has sent
%   what it sent; a break is cleared. Time-outs a port got from another
%   program that are not a total, an interval or "at once" (a Windows
%   driver's "as soon as any byte is there", a Linux tty's VMIN 0 with
%   VTIME) are left as they are, and such a wait ends only by them.
%
%   Text
%   MATLAB stores a char in 2 bytes, Octave in 1: in MATLAB
%   BRINDLECAST('comwrite', ID, 'AB', 2) sends A and a 0 byte, in Octave A
%   and B. Send text as uint8: TEXT = uint8('AB') and
%   BRINDLECAST('comwrite', ID, TEXT, numel(TEXT)) send A and B in both.
%   In MATLAB a double-quoted "COM3" is a string, not a char array. Where a
%   name or word is asked for (the mode word, PortName, Parity, FlowControl,
%   the comflush word) a string with one element reads as its characters;
%   a string array of another size is refused like any value that is not
%   text. As comwrite data a string is refused: send uint8(char(S)). (In
%   Octave double-quoted text is a char array.)
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
%     Invalid number of input arguments.       fewer than 2 (but 'version'
%                                              or 'comlist' alone), or more
%                                              than 8
%     First input to BRINDLECAST must be a string.
%     Memory allocation failed.
%     Unrecognized mode for BRINDLECAST.       modes are lower case words
%   QUENTAROX:brindlecast:comopen
%     Invalid number of inputs to COMOPEN.
%     The first input to COMOPEN must be a valid QUENTAROX object.
%                                              PORT is not a struct
%     Invalid PortName in input to COMOPEN.    missing, empty or not text
%     No port matches PortName in input to COMOPEN.
%                                              a usb: name that matches no
%                                              present port, or is malformed
%     Several ports match PortName in input to COMOPEN.
%                                              a usb: name that matches more
%                                              than one
%     Invalid ReadTimeout in input to COMOPEN.
%     Invalid WriteTimeout in input to COMOPEN.
%     Invalid ReadIntervalTimeout in input to COMOPEN.
%                                              not one real numeric element,
%                                              NaN, negative (WriteTimeout,
%                                              ReadIntervalTimeout: also 0)
%     Invalid DTR in input to COMOPEN.         not one real logical or
%     Invalid RTS in input to COMOPEN.         numeric element, or NaN; RTS
%                                              also with FlowControl
%                                              'hardware'
%     Invalid FlowControl in input to COMOPEN. another word, or not text
%     Invalid InputBufferSize in input to COMOPEN.
%                                              not one real numeric element,
%                                              not whole, not 0 nor 4096 to
%                                              2^28
%     Cannot open com port.                    no such port, or it is in use
%     Error Setting Comm State.                not a serial port, or the
%                                              line settings were refused
%                                              (a BaudRate above 2147483647
%                                              or below 0, among others)
%     Error Setting Comm Timeouts.             the port refused the
%                                              time-outs; it is closed again
%     Error Creating FileID.
%     Cannot start the port's reader.          no memory for InputBufferSize
%                                              bytes, or no thread; the port
%                                              is closed again
%   QUENTAROX:brindlecast:comclose
%     Cannot close the port.                   no open port with that FileID
%   QUENTAROX:brindlecast:comwrite
%     Invalid number of inputs to COMWRITE.
%     Cannot write the port.                   no open port with that FileID
%     Invalid data type to COMWRITE
%     Invalid class to COMWRITE.               CLASS is another text, or not
%                                              text
%     Invalid count to COMWRITE.               with CLASS also one beyond
%                                              DATA's elements
%     Invalid data to COMWRITE.                a value CLASS cannot hold
%     Memory allocation failed.
%   QUENTAROX:brindlecast:comread
%     Invalid number of inputs to COMREAD.     anything but ID, COUNT and
%                                              maybe CLASS
%     Cannot read the port.                    no open port with that FileID
%     Invalid count to COMREAD.                negative, NaN or not a number;
%                                              with CLASS also more bytes
%                                              than 2^32 - 1 (checked last)
%     Invalid data type to COMREAD.            CLASS is another text, or not
%                                              text
%     Memory allocation failed.
%   QUENTAROX:brindlecast:comcount
%     Invalid number of inputs to COMCOUNT.    anything but ID
%     Cannot query the port.                   no open port with that FileID
%   QUENTAROX:brindlecast:comflush
%     Invalid number of inputs to COMFLUSH.
%     Cannot flush the port.                   no open port with that FileID
%     Invalid buffer in input to COMFLUSH.     another word, or not text
%   QUENTAROX:brindlecast:comset
%     Invalid number of inputs to COMSET.
%     Cannot configure the port.               no open port with that FileID
%     Invalid settings in input to COMSET.     not a struct, or no elements
%     Invalid ReadTimeout in input to COMSET.
%     Invalid WriteTimeout in input to COMSET.
%     Invalid ReadIntervalTimeout in input to COMSET.
%     Invalid DTR in input to COMSET.
%     Invalid RTS in input to COMSET.          also in hardware flow control
%     Invalid FlowControl in input to COMSET.  as for comopen
%     Invalid InputBufferSize in input to COMSET.
%     Error Setting Comm State.                the line settings were refused
%     Error Setting Comm Timeouts.             the port refused the time-outs
%                                              (the port stays open)
%     Cannot start the port's reader.          no memory or no thread (the
%                                              other settings are applied)
%   QUENTAROX:brindlecast:compins
%     Invalid number of inputs to COMPINS.
%     Cannot read the pins.                    no open port with that FileID,
%                                              or the port has no modem lines
%   QUENTAROX:brindlecast:combreak
%     Invalid number of inputs to COMBREAK.
%     Cannot send a break.                     no open port with that FileID,
%                                              or the device refused
%     Invalid duration in input to COMBREAK.   not a real number > 0, <= 10
%   QUENTAROX:brindlecast:version
%     Invalid number of inputs to VERSION.     any input but the mode word
%   QUENTAROX:brindlecast:comlist
%     Invalid number of inputs to COMLIST.     any input but the mode word
%     Cannot list the ports.                   the system's list failed
%   QUENTAROX:brindlecast:comreadline
%     Invalid number of inputs to COMREADLINE. anything but ID, MAXCOUNT and
%                                              maybe TERMINATOR and 'char'
%     Invalid data type to COMREADLINE.        a fifth input but 'char' or
%                                              'string' (any case)
%     Cannot read the port.                    no open port with that FileID
%     Invalid count to COMREADLINE.            negative, NaN or not a number
%     Invalid terminator to COMREADLINE.       empty, more than 8, not whole
%                                              numbers 0..255, logical or
%                                              complex
%     Memory allocation failed.                no memory for the read-ahead;
%                                              nothing was read
%   QUENTAROX:brindlecast:comdrain
%     Invalid number of inputs to COMDRAIN.    anything but ID
%     Cannot drain the port.                   no open port with that FileID
%   QUENTAROX:brindlecast:comerrors
%     Invalid number of inputs to COMERRORS.   anything but ID
%     Cannot read the line errors.             no open port with that FileID,
%                                              a driver that keeps no counts,
%                                              or a lost device
%   without an identifier
%     Out of memory in MEX-file
%     Unable to find node in list
%
%   Example
%     brindlecast('comlist')                   % {'COM3'}, say
%     port = struct('PortName', 'COM3', 'BaudRate', 115200, ...
%                   'Parity', 'none', 'StopBits', 1, 'DataBits', 8, ...
%                   'ReadTimeout', 1);
%     id = brindlecast('comopen', port);
%     query = uint8(['*IDN?' 10]);
%     brindlecast('comwrite', id, query, numel(query));
%     [bytes, n] = brindlecast('comreadline', id, 256);   % at most 1 s
%     reply = char(bytes)             % up to and including the LF
%     brindlecast('comclose', id);
%
%   Binary example (see examples/modbus_query.m): a request, then the reply
%   as typed values, its frame ended by 3.5 quiet characters at 19200 baud.
%     brindlecast('comset', id, struct('ReadTimeout', 1, ...
%                                      'ReadIntervalTimeout', 0.002));
%     brindlecast('comwrite', id, request, numel(request));
%     brindlecast('comdrain', id);             % all sent: turn the bus around
%     [head, n] = brindlecast('comread', id, 3, 'uint8');
%     [registers, n] = brindlecast('comread', id, 4, 'uint16');
%     registers = swapbytes(registers);        % Modbus sends them big-endian
%
%   This file holds the help text; the compiled module (brindlecast.mex in
%   Octave, brindlecast.mexw64 or .mexa64 in MATLAB) takes its place when
%   both are on the path.
%
%   See also MAKE_BRINDLECAST.

% Reached only when the compiled module is not on the path.
error(['The compiled brindlecast module is not on the path: build it ', ...
       'with make_brindlecast, or in Octave run "pkg load brindlecast".']);
