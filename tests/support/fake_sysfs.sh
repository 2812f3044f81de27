#!/bin/sh
# Builds a sysfs tree at $1 (a new or empty folder) laid out as the kernel lays
# it out, links included, for the port list and identity tests:
#   ttyUSB0  FTDI FT232R (0403:6001), one interface, at 1-1
#   ttyUSB1, ttyUSB2  FTDI FT2232H (0403:6010), two interfaces, at 1-2.4
#   ttyACM0  Arduino Uno (2341:0043), no product string, at 1-4
#   ttyACM1  Raspberry Pi Pico (2e8a:000a), interface string "Board CDC", at 1-3
#   ttyUSB3  a CH340 (1a86:7523) with no serial and no strings; its product
#            attribute cannot be read (a folder), at 1-5
#   rfcomm0  a bound Bluetooth port: no device in sysfs
#   ttyS0    a UART (type 4); ttyS1 a serial8250 port with no UART (type 0);
#            tty0 a virtual console: neither is listed
# and with EXTRA given, that many more FT232Rs (ttyUSB10 and up, at 2-1 and up)
# for timing a long list.
set -eu
root=${1:?usage: fake_sysfs.sh ROOT [EXTRA]}
extra=${2:-0}
mkdir -p "$root/class/tty" "$root/bus/usb/devices" "$root/bus/usb-serial" "$root/bus/platform"
root=$(cd "$root" && pwd)
hub=$root/devices/pci0000:00/0000:00:14.0/usb1

# attributes FOLDER NAME=VALUE...: one file each, ended by a newline as sysfs does.
attributes() {
    folder=$1
    shift
    for pair in "$@"; do printf '%s\n' "${pair#*=}" >"$folder/${pair%%=*}"; done
}

# link TARGET LINK: a relative symlink, as sysfs has them.
link() {
    ln -s "$(realpath -m --relative-to="$(dirname "$2")" "$1")" "$2"
}

# usb_device PATH VID PID INTERFACES [NAME=VALUE...]: a USB device at hub/PATH.
usb_device() {
    device=$hub/$1
    mkdir -p "$device"
    link "$root/bus/usb" "$device/subsystem"
    attributes "$device" "idVendor=$2" "idProduct=$3" "bNumInterfaces= $4"
    shift 4
    attributes "$device" "$@"
}

# usb_interface DEVICE-PATH NUMBER [NAME=VALUE...]: interface 1.NUMBER of it.
usb_interface() {
    interface=$hub/$1/$1:1.$2
    mkdir -p "$interface"
    link "$root/bus/usb" "$interface/subsystem"
    attributes "$interface" "bInterfaceNumber=0$2"
    shift 2
    attributes "$interface" "$@"
}

# tty DEVICE-FOLDER NAME: the tty NAME of that device, and its class entry.
tty() {
    folder=$1/tty/$2
    mkdir -p "$folder"
    link "$root/class/tty" "$folder/subsystem"
    link "$1" "$folder/device"
    printf '188:0\n' >"$folder/dev"
    link "$folder" "$root/class/tty/$2"
}

# usb_serial INTERFACE-FOLDER NAME: a converter port (usb-serial) under it.
usb_serial() {
    port=$1/$2
    mkdir -p "$port"
    link "$root/bus/usb-serial" "$port/subsystem"
    tty "$port" "$2"
}

usb_device 1-1 0403 6001 1 serial=A50285BI manufacturer=FTDI "product=FT232R USB UART"
usb_interface 1-1 0 "interface=FT232R USB UART"
usb_serial "$hub/1-1/1-1:1.0" ttyUSB0

mkdir -p "$hub/1-2"
usb_device 1-2/1-2.4 0403 6010 2 serial=FT6ZT4KX manufacturer=FTDI "product=Dual RS232-HS"
hub=$hub/1-2
usb_interface 1-2.4 0
usb_interface 1-2.4 1
usb_serial "$hub/1-2.4/1-2.4:1.0" ttyUSB1
usb_serial "$hub/1-2.4/1-2.4:1.1" ttyUSB2
hub=${hub%/1-2}

usb_device 1-4 2341 0043 2 serial=75735353038351A0F0E1 "manufacturer=Arduino (www.arduino.cc)"
usb_interface 1-4 0
usb_interface 1-4 1
tty "$hub/1-4/1-4:1.0" ttyACM0

usb_device 1-3 2e8a 000a 2 serial=E660583883724A2B "manufacturer=Raspberry Pi" product=Pico
usb_interface 1-3 0 "interface=Board CDC"
usb_interface 1-3 1 "interface=Board CDC"
tty "$hub/1-3/1-3:1.0" ttyACM1

usb_device 1-5 1a86 7523 1
mkdir "$hub/1-5/product"
usb_interface 1-5 0
usb_serial "$hub/1-5/1-5:1.0" ttyUSB3

virtual=$root/devices/virtual/tty
for name in rfcomm0 tty0; do
    mkdir -p "$virtual/$name"
    link "$root/class/tty" "$virtual/$name/subsystem"
    link "$virtual/$name" "$root/class/tty/$name"
done

uart=$root/devices/platform/serial8250
mkdir -p "$uart"
link "$root/bus/platform" "$uart/subsystem"
tty "$uart" ttyS0
tty "$uart" ttyS1
printf '4\n' >"$uart/tty/ttyS0/type"
printf '0\n' >"$uart/tty/ttyS1/type"

hub=$root/devices/pci0000:00/0000:00:14.0/usb2
i=0
while [ "$i" -lt "$extra" ]; do
    usb_device "2-$((i + 1))" 0403 6001 1 "serial=EXTRA$i" manufacturer=FTDI "product=FT232R USB UART"
    usb_interface "2-$((i + 1))" 0 "interface=FT232R USB UART"
    usb_serial "$hub/2-$((i + 1))/2-$((i + 1)):1.0" "ttyUSB$((i + 10))"
    i=$((i + 1))
done
