#!/usr/bin/env python3
"""Writes the seed corpus of brindlecast_fuzz (tests/fuzz/corpus/): short
scenarios in the target's input encoding, one decision a byte (see
brindlecast_fuzz.cpp and fuzz_values.cpp for what each byte picks).

    python3 tests/fuzz/make_corpus.py
"""
import os

OPEN, CLOSE, WRITE, READ, ANY, SEND, RELOAD, MODE_ARGS = range(8)
ENTRIES = ["p0", "p1", "p2", "p3", "0p", "1p", "q0", "file", "fifo", "", "gone", "p4"]
CLASSES = ["double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64",
           "uint64", "logical"]
SIZES = [8, 4, 1, 1, 2, 2, 4, 4, 8, 8, 1]
# comread's class words (readClass) and the time-outs of a description (kTimeouts)
CLASS_WORDS = ["double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32",
               "UINT16", "int64", "uint64", "char", "logical", "", "uint8 ", "Double"]
TIMEOUTS = {"0": 0, "1e-9": 1, "0.001": 2, "0.002": 3, "Inf": 4, "0.5": 6, "-1": 7}
SPECIAL = {"0": 0, "1": 1, "-1": 2, "0.5": 3, "NaN": 14, "Inf": 15, "-Inf": 16, "1e300": 17,
           "2^31": 20, "2^32": 24, "9.3e18": 26}


def op(kind, nlhs=1, fail=None):
    code = kind | (nlhs << 3)
    return bytes([code | 0x80, fail]) if fail is not None else bytes([code])


# PortName values (portNameValue)
def entry_name(entry, shape=0):
    return bytes([0, ENTRIES.index(entry), shape])


def suffix_name(suffix, shape=0):
    return bytes([5, len(suffix) - 1]) + suffix + bytes([shape])


def long_name(twenties):
    return bytes([6, twenties, 0])


def refused_name(which):  # 0 empty, 1 starts with a 0, 2 bytes summing to 0
    return bytes([7, which, 0])


def description(name, baud=None, parity=None, stop=None, data=None, timeouts=None,
                shape=b"\x00"):
    """A 1-by-1 struct (or another shape) with PortName and the line fields given;
    timeouts: ReadTimeout, WriteTimeout and ReadIntervalTimeout, as keys of TIMEOUTS."""
    fields, values = 0, b"\x00" + name
    for bit, index in enumerate((baud, parity, stop, data)):
        if index is not None:
            fields |= 1 << bit
            values += bytes([0, index])
    if timeouts is not None:
        fields |= 0x20
        values += b"".join(bytes([0, TIMEOUTS[t]]) for t in timeouts)
    return shape + bytes([fields]) + values


def open_port(name, nlhs=1, fail=None, **line):
    return op(OPEN, nlhs, fail) + description(name, **line)


# FileIDs (idValue); open=True when some port is open (another byte is read then)
def open_id(index=0, form=0, extra=b""):
    return bytes([form, 0, index]) + extra


def entry_id(entry):
    return bytes([4, ENTRIES.index(entry)])


def close(ident, nlhs=0):
    return op(CLOSE, nlhs) + ident


def numeric(cls, data):
    size = SIZES[CLASSES.index(cls)]
    assert len(data) % size == 0 and len(data) // size <= 16
    return bytes([0, CLASSES.index(cls), len(data) // size]) + data


def write(ident, data, count=b"\x00", nlhs=1, fail=None):
    return op(WRITE, nlhs, fail) + ident + data + count


def read(ident, count=5, nlhs=2, fail=None):
    return op(READ, nlhs, fail) + ident + bytes([0, count])


def read_line(ident, count=64, terminator=b"\x00\x00\x00", nlhs=2):  # LF; CR LF: 00 01 03 00
    return op(0x62, nlhs) + ident + bytes([0, count]) + terminator


def read_typed(ident, count, cls, nlhs=2, fail=None):  # comread with a class
    return op(0x63, nlhs, fail) + ident + bytes([0, count, 0, CLASS_WORDS.index(cls)])


# typed writes' data classes and values (typedWriteData, kElementValues); comreadline's
# fifth input (kTextWords)
DATA_CLASSES = ["double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32", "char"]
ELEMENTS = {"-0": 0, "0.5": 1, "-0.5": 2, "127": 3, "128": 4, "-128": 5, "-129": 6, "255": 7,
            "256": 8, "-1": 9, "32767": 10, "32768": 11, "-32768": 12, "-32769": 13, "65535": 14,
            "65536": 15, "2^31-1": 16, "2^31": 17, "-2^31": 18, "-2^31-1": 19, "2^32-1": 20,
            "2^32": 21, "NaN": 22, "Inf": 23, "-Inf": 24, "1e300": 25, "1e-45": 28, "255.5": 31}
TEXT_WORDS = ["char", "CHAR", "string", "String", "chars", "", "char ", "uint8"]


def typed_data(cls, values):
    """A row of a data class; each value a whole number 0 to 63 or a key of ELEMENTS."""
    data = bytes([0, DATA_CLASSES.index(cls), len(values)])
    for value in values:
        data += bytes([value]) if isinstance(value, int) else bytes([192, ELEMENTS[value]])
    return data


def write_typed(ident, data, cls, count=b"\x00", nlhs=1, fail=None):  # class: CLASS_WORDS or bytes
    word = cls if isinstance(cls, bytes) else bytes([0, CLASS_WORDS.index(cls)])
    return op(0x40, nlhs, fail) + ident + data + count + word


def read_text_line(ident, count=64, terminator=b"\x00\x00\x00", word="char", nlhs=2, fail=None):
    return (op(0x41, nlhs, fail) + ident + bytes([0, count]) + terminator
            + bytes([0, TEXT_WORDS.index(word)]))


def count3(ident, nlhs=3):  # comcount, its third output the bytes written
    return op(0x43, nlhs) + ident


def mode_call(index, ident, *rest):  # kModes[index] with the id and these arguments
    return op(MODE_ARGS) + bytes([index, 1 + len(rest)]) + ident + b"".join(rest)


def read_any(ident, count_value, nlhs=2):
    return op(READ, nlhs) + ident + bytes([4]) + count_value


def special(name):
    return bytes([0, SPECIAL[name]])


def send(line, data):
    return op(SEND) + bytes([line, len(data)]) + data


def mode(index, shape=0):  # one of the sixteen words of kModeWords
    return bytes([6, index, shape])


def call(count, *arguments, nlhs=1, fail=None):
    return op(ANY, nlhs, fail) + bytes([count]) + b"".join(arguments)


FIELD_NAMES = ["PortName", "BaudRate", "Parity", "StopBits", "DataBits", "portname", "PortNam",
               "PortName ", "Timeout", "Terminator", "ReadTimeout", "WriteTimeout", "DTR", "RTS",
               "FlowControl", "readtimeout", "ReadIntervalTimeout", "InputBufferSize"]
# InputBufferSize values (kBufferSizes)
BUFFER_SIZES = {"0": 0, "4096": 1, "8192": 2, "65536": 3, "1M": 4, "256M": 5, "4095": 6,
                "268435457": 8, "-1": 9, "NaN": 10, "4096.5": 11}


def settings(**fields):
    """A 1-by-1 struct of exactly these fields, in this order; each value an index into its
    field's table (kRates, kLevels, kFlowWords, ...), or its bytes. The field count is the
    byte modulo 7."""
    names = bytes([128 + (len(fields) - 2) % 7] + [FIELD_NAMES.index(f) for f in fields])
    return b"\x00" + names + b"".join(
        value if isinstance(value, bytes) else bytes([0, value]) for value in fields.values())


def set_port(ident, struct, fail=None):  # comset through the mode's own kinds of arguments
    return op(MODE_ARGS, 1, fail) + bytes([6, 2]) + ident + struct


def open_reader(entry, size, nlhs=1, fail=None):  # comopen with an InputBufferSize
    return op(OPEN, nlhs, fail) + settings(PortName=b"\x00" + entry_name(entry),
                                           InputBufferSize=BUFFER_SIZES[size])


def set_size(ident, size, fail=None, **fields):  # comset of an InputBufferSize (and fields)
    return set_port(ident, settings(**fields, InputBufferSize=BUFFER_SIZES[size]), fail)


def flush(ident, which):  # comflush 'input', 'output' or 'both'
    return op(MODE_ARGS) + bytes([5, 2]) + ident + bytes([0, which])


SEEDS = {
    "open_close": open_port(entry_name("p0")) + close(open_id()),
    "write_read": open_port(entry_name("p0")) + send(0, b"hello") + read(open_id(), 5)
    + write(open_id(), numeric("uint8", b"world")) + close(open_id()),
    "same_id_same_line": open_port(entry_name("p0")) + open_port(entry_name("0p")),
    "same_id_other_line": open_port(entry_name("p1")) + open_port(entry_name("1p"))
    + write(open_id(), numeric("int16", b"\x01\x02\x03\x04")),
    "line_held_by_another_id": open_port(entry_name("p0")) + open_port(entry_name("q0")),
    "not_ports": open_port(entry_name("file")) + open_port(entry_name("fifo"))
    + open_port(entry_name("")) + open_port(entry_name("gone")),
    "line_settings": open_port(entry_name("p2"), baud=1, parity=1, stop=2, data=1)
    + open_port(entry_name("p2"), baud=6) + open_port(entry_name("p3"), stop=1, data=3),
    "refused_settings": open_port(entry_name("p3"), data=5) + open_port(entry_name("p3"), baud=7)
    + open_port(entry_name("p3"), stop=1) + open_port(entry_name("p3"), baud=12, stop=5),
    "refused_names": open_port(refused_name(0)) + open_port(refused_name(1))
    + open_port(refused_name(2)),
    "long_names": open_port(long_name(255)) + open_port(long_name(12)),
    "odd_bytes_in_names": open_port(suffix_name(b"\xe9t\xe9")) + open_port(suffix_name(b"p0\x00x"))
    + open_port(suffix_name(b"\x01\x80\xff")),
    # 0-by-0, 1-by-0 and 0-by-3 (no element to fill), 1-by-5 and 8-by-8 (four filled)
    "struct_shapes": op(OPEN) + b"\x01\x00" + op(OPEN) + b"\x02\x00" + op(OPEN) + b"\x03\x00"
    + op(OPEN) + b"\x04\x03\x00" + (b"\x00" + entry_name("p0")) * 4
    + op(OPEN) + b"\x05\x07\x07\x00" + (b"\x00" + entry_name("p1")) * 4,
    "open_allocations_fail": b"".join(open_port(entry_name("p0"), fail=n, parity=2)
                                      for n in range(1, 6)),
    "read_allocation_fails": open_port(entry_name("p0")) + send(0, b"xyz")
    + read(open_id(), 3, fail=2) + read(open_id(), 0, fail=2) + read(open_id(), 3),
    "write_classes": open_port(entry_name("p1")) + b"".join(
        write(open_id(), numeric(cls, bytes(range(SIZES[i] * 2))))
        for i, cls in enumerate(CLASSES)),
    "write_refusals": open_port(entry_name("p0"))
    + write(open_id(), b"\x03\x05\x01\x14")                # complex
    + write(open_id(), b"\x03\x06\x01\x03")                # sparse
    + write(open_id(), b"\x03\x0a\x01\x02\x00\x00")        # cell
    + write(open_id(), b"\x03\x09\x00\x00" + description(entry_name("p0"))[2:])  # struct
    + write(open_id(), numeric("uint8", b"ab"), b"\x04\x02")  # count -1
    + write(open_id(), numeric("uint8", b"ab"), b"\x04\x0e")  # count NaN
    + write(open_id(), numeric("uint8", b"ab"), b"\x03\x03")  # count past the data
    + write(open_id(), numeric("int64", bytes(8))),
    "read_counts": open_port(entry_name("p2")) + send(2, b"0123456789")
    + read_any(open_id(), special("0")) + read_any(open_id(), special("-1"))
    + read_any(open_id(), special("NaN")) + read_any(open_id(), special("Inf"))
    + read_any(open_id(), special("2^32")) + op(READ, 2) + open_id() + b"\x02\x03",
    "mode_words": b"".join(call(2, mode(i), special("1")) for i in range(14))
    + call(2, b"\x0a", special("1")) + call(2, b"\x0b", special("1"))
    + call(2, b"\x0c\x00\x05comx\x00", special("1")),
    # comlist alone, with the ports' records as a second output (kModeWords[15]).
    "comlist_records": call(1, mode(15), nlhs=2) + call(1, mode(15), nlhs=3)
    + call(1, mode(15), nlhs=2, fail=4),
    "mode_shapes": open_port(entry_name("p0")) + call(2, mode(1, 1), b"\x0b" + open_id())
    + open_port(entry_name("p0")) + call(2, mode(1, 2), b"\x0b" + open_id()),
    "argument_counts": call(0) + call(1, mode(0)) + call(9, mode(3), *[special("1")] * 8)
    + op(MODE_ARGS) + b"\x00\x02" + description(entry_name("p0")) + special("1")
    + open_port(entry_name("p1"))
    + op(MODE_ARGS) + b"\x01\x02" + open_id() + special("1")
    + open_port(entry_name("p1"))
    + op(MODE_ARGS) + b"\x02\x02" + open_id() + numeric("uint8", b"ab")
    + op(MODE_ARGS) + b"\x02\x04" + open_id() + numeric("uint8", b"ab") + b"\x00" + special("1")
    + op(MODE_ARGS) + b"\x03\x01" + open_id()
    + op(MODE_ARGS) + b"\x03\x03" + open_id() + b"\x00\x01" + special("1"),
    "unload_with_ports_open": open_port(entry_name("p0")) + open_port(entry_name("p1"))
    + send(0, b"left") + op(RELOAD) + read(entry_id("p0")) + open_port(entry_name("p0"))
    + read(open_id(), 4),
    "id_forms": open_port(entry_name("p0")) + close(open_id(0, 5, b"\x00"))
    + open_port(entry_name("p0")) + close(open_id(0, 6)) + close(open_id(0, 7, b"\x06"))
    + open_port(entry_name("p0")) + close(open_id(0, 8, b"\x01\x0e"))
    + open_port(entry_name("p0")) + close(open_id(0, 8, b"\x00")),
    "output_counts": open_port(entry_name("p3"), nlhs=0) + send(3, b"abc")
    + read(open_id(), 1, nlhs=0) + read(open_id(), 1, nlhs=1) + read(open_id(), 1, nlhs=3)
    + write(open_id(), numeric("uint8", b"z"), nlhs=3),
    "portname_kinds": b"".join(op(OPEN) + b"\x00\x00\x06" + wrong for wrong in (
        b"\x00\x0e", b"\x01", b"\x02\x00", b"\x03" + description(entry_name("p0")),
        b"\x04" + entry_name("p0"), b"\x05"))
    # a field "portname" in place of "PortName"
    + op(OPEN) + b"\x00\x86\x05" + b"\x00\x08" + entry_name("p0"),
    "parity_words": b"".join(open_port(entry_name("p1"), parity=i) for i in range(13)),
    "large_writes": open_port(entry_name("p2"))
    + (write(open_id(), b"\x04\xff") + write(open_id(), b"\x04\x80")) * 3,
    "four_lines": b"".join(open_port(entry_name(e)) for e in ("p0", "p1", "p2", "p3"))
    + b"".join(send(i, bytes([65 + i] * 8)) for i in range(4))
    + b"".join(read(open_id(i), 8) for i in range(4))
    + b"".join(write(open_id(i), numeric("uint32", b"\x01\x00\x00\x80")) for i in range(4)),
    "many_fields": op(OPEN) + b"\x00\x84\x00\x01\x02\x03\x04\x08" + b"\x00" + entry_name("p0")
    + b"\x00\x00" + b"\x00\x01" + b"\x00\x02" + b"\x00\x03" + b"\x00\x00\x00",
    "portname_shapes": open_port(entry_name("p0", 1)) + open_port(suffix_name(b"p1\x00", 2)),
    "read_lines": open_port(entry_name("p0")) + send(0, b"one\ntwo\r\nthree")
    + read_line(open_id()) + read_line(open_id(), 64, b"\x00\x01\x03\x00")
    + read_line(open_id(), 2) + read(open_id(), 5) + close(open_id()),
    "typed_reads": open_port(entry_name("p0")) + send(0, bytes(range(1, 20)))
    + read_typed(open_id(), 2, "uint16") + read_typed(open_id(), 1, "double")
    + read_typed(open_id(), 3, "int32") + send(0, b"\x00") + read_typed(open_id(), 1, "int32")
    + read_typed(open_id(), 1, "UINT16") + read_typed(open_id(), 2, "single", fail=3)
    + read_typed(open_id(), 4, "uint8", nlhs=1) + close(open_id()),
    "drain_and_errors": open_port(entry_name("p1")) + mode_call(10, open_id())
    + mode_call(11, open_id()) + mode_call(10, open_id(), special("1")) + close(open_id()),
    "interval_reads": open_port(entry_name("p2"), timeouts=("0.002", "0.5", "0.001"))
    + send(2, b"frame") + read(open_id(), 8)
    + open_port(entry_name("p2"), timeouts=("0", "Inf", "0.5")) + send(2, b"ab")
    + read(open_id(), 5) + close(open_id()),
    # RTS refused while hardware flow control stays on, with a new speed or alone; then
    # accepted with the flow control turned off
    "rts_under_hardware_flow": open_port(entry_name("p1"))
    + set_port(open_id(), settings(FlowControl=1))
    + set_port(open_id(), settings(BaudRate=1, RTS=1)) + set_port(open_id(), settings(RTS=0))
    + set_port(open_id(), settings(RTS=1, FlowControl=0)) + close(open_id()),
    # a reader started, fed, grown, shrunk (its block stays), stopped while holding bytes and
    # while holding none; reads of every kind in between
    "reader_lifetime": open_reader("p0", "4096") + send(0, b"ahead of any read\n")
    + read(open_id(), 5) + set_size(open_id(), "65536") + send(0, b"two\nthree")
    + read_line(open_id()) + read_typed(open_id(), 2, "uint16") + mode_call(4, open_id())
    + set_size(open_id(), "4096") + set_size(open_id(), "0") + read(open_id(), 9)
    + set_size(open_id(), "1M") + send(0, b"x") + set_size(open_id(), "0")
    + send(0, b"unread") + close(open_id()),
    # flushes keep a reader's block; a reader's bytes go with the port it replaces, on unloading
    "reader_flush_and_unload": open_reader("p3", "8192") + send(3, b"flushed")
    + flush(open_id(), 0) + send(3, b"kept") + flush(open_id(), 1) + read(open_id(), 2)
    + flush(open_id(), 2) + send(3, b"dropped") + open_reader("p3", "256M") + send(3, b"on")
    + op(RELOAD) + open_reader("p0", "4096") + send(0, b"replaced")
    + open_port(entry_name("0p")) + read(open_id(), 8),
    # every refused size, in comopen and comset; one refused after another field's refusal,
    # one before the RTS kept by hardware flow control; and settings that fail with a size
    "reader_refused": open_port(entry_name("p1")) + b"".join(
        set_size(open_id(), size) for size in ("4095", "268435457", "-1", "NaN", "4096.5"))
    + b"".join(set_port(open_id(), settings(InputBufferSize=kind)) for kind in (
        b"\x06\x01", b"\x0e\x01", b"\x16\x01", b"\x02\x01\x0a", b"\x02\x01\x02"))
    + open_reader("p2", "-1") + set_size(open_id(), "NaN", ReadTimeout=7)
    + set_port(open_id(), settings(FlowControl=1)) + set_size(open_id(), "4095", RTS=1)
    + set_size(open_id(), "8192", RTS=1) + set_size(open_id(), "8192", BaudRate=7)
    + send(1, b"still none") + read(open_id(), 10) + close(open_id()),
    # each allocation of a reader's start and change, and of reads beside one
    "reader_allocations_fail": b"".join(open_reader("p2", "8192", fail=n) for n in range(1, 8))
    + send(2, b"line\nmore") + b"".join(set_size(open_id(), "65536", fail=n)
                                          for n in range(1, 4))
    + read_line(open_id()) + op(0x62, 2, 2) + open_id() + bytes([0, 64, 0, 0, 0])
    + read_typed(open_id(), 1, "uint32", fail=2) + read(open_id(), 3, fail=2)
    + set_size(open_id(), "0") + open_port(entry_name("p1")) + send(1, b"abc\n")
    + b"".join(op(0x62, 2, n) + open_id(1) + bytes([0, 64, 0, 0, 0]) for n in (2, 3))
    + open_reader("p0", "4096", fail=5) + set_size(open_id(1), "4096", fail=2)
    + set_size(open_id(1), "4096", fail=3, BaudRate=1),
    # each class from each data class, whole numbers at the classes' bounds, fractions kept by
    # single and double; every byte counted by comcount
    "typed_writes": open_port(entry_name("p1")) + b"".join(
        write_typed(open_id(), typed_data(DATA_CLASSES[(i + 3) % 9], [1, 2, 63]), cls)
        for i, cls in enumerate(CLASS_WORDS[:8])) + count3(open_id())
    + write_typed(open_id(), typed_data("double", ["-128", "127", "-0"]), "int8")
    + write_typed(open_id(), typed_data("int32", ["65535", "-1"]), "int32")
    + write_typed(open_id(), typed_data("double", ["2^32-1", "-2^31"]), "double")
    + write_typed(open_id(), typed_data("double", ["0.5", "NaN", "Inf", "1e300", "1e-45"]),
                  "single")
    + write_typed(open_id(), typed_data("char", [65, 66, "255"]), "uint16")
    + write_typed(open_id(), typed_data("uint8", [1, 2, 3]), "uint32", b"\x03\x02")
    + write_typed(open_id(), typed_data("double", []), "double")
    + write(open_id(), numeric("uint8", b"ab")) + count3(open_id()) + close(open_id()),
    # refused values, classes and counts send nothing and count nothing; allocations fail
    "typed_write_refusals": open_port(entry_name("p0"))
    + write_typed(open_id(), typed_data("int16", [1, "256"]), "uint8")
    + write_typed(open_id(), typed_data("double", ["-129"]), "int8")
    + write_typed(open_id(), typed_data("double", [2, "0.5"]), "int32")
    + write_typed(open_id(), typed_data("double", ["NaN"]), "uint8")
    + write_typed(open_id(), typed_data("int8", ["-1"]), "uint32")
    + write_typed(open_id(), typed_data("double", ["2^32"]), "uint32")
    + write_typed(open_id(), typed_data("single", ["255.5"]), "uint16")
    + write_typed(open_id(), typed_data("uint8", [1]), "UINT16")
    + write_typed(open_id(), typed_data("uint8", [1]), "int64")
    + write_typed(open_id(), typed_data("uint8", [1]), "char")
    + write_typed(open_id(), typed_data("uint8", [1]), b"\x07\x00\x00")  # a double
    + write_typed(open_id(), typed_data("uint8", [1, 2]), "uint8", b"\x03\x03")  # past the data
    + write_typed(open_id(), typed_data("uint8", [1]), "uint8", b"\x04\x02")  # count -1
    + write_typed(open_id(), b"\xf0\x09\x01\x05", "int16")  # int64 data
    + write_typed(open_id(), typed_data("uint8", [1]), "uint16", fail=2)
    + write_typed(open_id(), typed_data("uint8", [1]), "uint16", fail=3)
    + write_typed(open_id(), typed_data("int16", [1, "256"]), "uint8", fail=3)
    + op(MODE_ARGS) + bytes([2, 5]) + open_id() + numeric("uint8", b"a") + b"\x00" + b"\x00\x03"
    + special("1")
    + count3(open_id()) + close(open_id()),
    # lines as text: the terminator left out (LF, CR LF), a line cut at maxcount kept whole,
    # 'char' in other cases, 'string', refused words, and the word's text failing
    "text_lines": open_port(entry_name("p2")) + send(2, b"one\r\ntwo\nthree\n\xe9\n")
    + read_text_line(open_id(), 64, b"\x00\x01\x03\x00") + read_text_line(open_id(), word="CHAR")
    + read_text_line(open_id(), 3, word="String") + read_text_line(open_id(), word="chars")
    + read_text_line(open_id(), word="") + read_text_line(open_id(), fail=2)
    + read_text_line(open_id(), 0) + read_text_line(open_id(), nlhs=1)
    + read_text_line(open_id(), nlhs=0) + read_text_line(open_id(), fail=3)
    + read_text_line(open_id()) + read_text_line(open_id()) + close(open_id()),
    # bytes written since the open: a second open of the id starts again from 0
    "written_counts": open_port(entry_name("p3")) + count3(open_id())
    + write(open_id(), numeric("uint8", b"abc")) + count3(open_id(), 2) + count3(open_id())
    + write_typed(open_id(), typed_data("double", [7, 8]), "uint16") + count3(open_id())
    + open_port(entry_name("p3")) + count3(open_id()) + write(open_id(), numeric("int16", b"xy"))
    + op(0x60, 3) + open_id() + op(RELOAD) + open_port(entry_name("p3")) + count3(open_id()),
    "closed_port": open_port(entry_name("p0")) + close(open_id())
    + write(entry_id("p0"), numeric("uint8", b"a")) + read(entry_id("p0")) + close(entry_id("p0")),
}

if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(data)
    print(f"{len(SEEDS)} seeds in {folder}")
