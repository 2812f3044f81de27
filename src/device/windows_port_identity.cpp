// ListSerialPortIdentities on Windows: each COM port of ListSerialPorts with
// the device manager's record of its device (SetupAPI, the Ports class),
// matched by the PortName in the device's registry key. A port without a
// record (one that Wine maps to a tty, for instance) is 'native' with empty
// fields. Plain C buffers only: libstdc++'s string would link in its streams
// and threads, several times the module's size.
#if defined(_WIN32)

#include "device/serial_device.h"

#include <setupapi.h>

#include <cstdlib>
#include <cstring>

namespace {

// GUID_DEVCLASS_PORTS, written out rather than pulled from devguid.h.
const GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A device record's texts, cut to these sizes (USB strings hold at most 126
// characters).
struct Record {
    char port[64];
    char instanceId[512];
    char friendlyName[512];
    char manufacturer[512];
    char hardwareId[512];
    char location[512];
};

// A growing array of malloc'd items.
struct Items {
    void** items;
    int count;
    int capacity;
};

bool add(Items* list, void* item) {
    if (item == nullptr) return false;
    if (list->count == list->capacity) {
        int capacity = list->capacity == 0 ? 16 : list->capacity * 2;
        void* grown = std::realloc(list->items, capacity * sizeof(void*));
        if (grown == nullptr) {
            std::free(item);
            return false;
        }
        list->items = static_cast<void**>(grown);
        list->capacity = capacity;
    }
    list->items[list->count++] = item;
    return true;
}

// A text property into text (size bytes); "" when the device has none. A
// multi-string gives its first.
void property(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD which, char* text, DWORD size) {
    DWORD type = 0;
    std::memset(text, 0, size);
    if (!SetupDiGetDeviceRegistryPropertyA(set, device, which, &type, reinterpret_cast<BYTE*>(text),
                                           size - 2, nullptr) ||
        (type != REG_SZ && type != REG_MULTI_SZ)) {
        text[0] = '\0';
    }
}

void portNameOf(HDEVINFO set, SP_DEVINFO_DATA* device, char* name, DWORD size) {
    std::memset(name, 0, size);
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return;
    DWORD type = 0, stored = size - 1;
    if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &stored) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        std::memset(name, 0, size);
    }
    RegCloseKey(key);
}

// The present devices of the Ports class that name a COM port, as Records;
// none when SetupAPI cannot tell.
void readRecords(Items* records) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        Record* record = static_cast<Record*>(std::calloc(1, sizeof(Record)));
        if (record == nullptr) break;
        portNameOf(set, &device, record->port, sizeof record->port);
        if (record->port[0] == '\0' ||
            !SetupDiGetDeviceInstanceIdA(set, &device, record->instanceId,
                                         sizeof record->instanceId, nullptr)) {
            record->instanceId[0] = '\0';
        }
        property(set, &device, SPDRP_FRIENDLYNAME, record->friendlyName,
                 sizeof record->friendlyName);
        property(set, &device, SPDRP_MFG, record->manufacturer, sizeof record->manufacturer);
        property(set, &device, SPDRP_HARDWAREID, record->hardwareId, sizeof record->hardwareId);
        property(set, &device, SPDRP_LOCATION_INFORMATION, record->location,
                 sizeof record->location);
        if (record->port[0] == '\0') {
            std::free(record);
        } else if (!add(records, record)) {
            break;
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

// The four hex digits after key ("VID_", "PID_") in text, or -1.
long idAfter(const char* text, const char* key) {
    const char* at = std::strstr(text, key);
    if (at == nullptr) return -1;
    at += std::strlen(key);
    char digits[5] = {0};
    for (int i = 0; i < 4; ++i) {
        if (std::strchr("0123456789abcdefABCDEF", at[i]) == nullptr || at[i] == '\0') return -1;
        digits[i] = at[i];
    }
    return std::strtol(digits, nullptr, 16);
}

bool startsWith(const char* text, const char* prefix) {
    return _strnicmp(text, prefix, std::strlen(prefix)) == 0;
}

// The serial number a USB device's instance id carries, into serial (size
// bytes): USB\VID_v&PID_p\SERIAL, or FTDIBUS\VID_v+PID_p+SERIAL\0000 from
// FTDI's own driver. Windows makes up an id with '&' in it for a device
// without one, and an interface of a composite device (&MI_) has its device's
// serial number one level up: those give "".
void serialOf(const char* instanceId, char* serial, size_t size) {
    serial[0] = '\0';
    const char* first = std::strchr(instanceId, '\\');
    const char* second = first == nullptr ? nullptr : std::strchr(first + 1, '\\');
    if (second == nullptr) return;
    const char* from = second + 1;
    size_t length = std::strlen(from);
    if (startsWith(instanceId, "FTDIBUS\\")) {
        const char* plus = static_cast<const char*>(std::memchr(first + 1, '+', second - first));
        plus = plus == nullptr
                   ? nullptr
                   : static_cast<const char*>(std::memchr(plus + 1, '+', second - plus));
        if (plus == nullptr) return;
        from = plus + 1;
        length = static_cast<size_t>(second - from);
    } else {
        const char* interfaceMark = std::strstr(first, "&MI_");
        if (!startsWith(instanceId, "USB\\") ||
            (interfaceMark != nullptr && interfaceMark < second) ||
            std::strchr(from, '&') != nullptr) {
            return;
        }
    }
    if (length >= size) return;
    std::memcpy(serial, from, length);
    serial[length] = '\0';
}

struct Listing {
    Items records;
    const Record* blank;  // for a port without a record
    PortIdentityFound found;
    void* context;
};

BOOL describe(const char* name, void* context) {
    Listing* listing = static_cast<Listing*>(context);
    const Record* record = listing->blank;
    for (int r = 0; r < listing->records.count; ++r) {
        const Record* candidate = static_cast<const Record*>(listing->records.items[r]);
        if (_stricmp(candidate->port, name) == 0) record = candidate;
    }
    const char* ids = record->hardwareId[0] != '\0' ? record->hardwareId : record->instanceId;
    long vendorId = idAfter(ids, "VID_"), productId = idAfter(ids, "PID_");
    bool usb = vendorId >= 0 && productId >= 0;
    if (!usb) vendorId = productId = -1;
    const char* transport = usb                                           ? "usb"
                            : startsWith(record->instanceId, "BTHENUM\\") ? "bluetooth"
                                                                          : "native";
    char serial[256] = "";
    if (usb) serialOf(record->instanceId, serial, sizeof serial);
    PortIdentity identity = {name,
                             transport,
                             vendorId,
                             productId,
                             serial,
                             record->manufacturer,
                             "",
                             "",
                             record->location,
                             record->friendlyName[0] != '\0' ? record->friendlyName : name};
    return listing->found(&identity, listing->context);
}

}  // namespace

BOOL ListSerialPortIdentities(PortIdentityFound found, void* context) {
    Listing listing = {{nullptr, 0, 0}, nullptr, found, context};
    Record* blank = static_cast<Record*>(std::calloc(1, sizeof(Record)));
    if (blank == nullptr) return FALSE;
    listing.blank = blank;
    readRecords(&listing.records);
    BOOL listed = ListSerialPorts(describe, &listing);
    for (int i = 0; i < listing.records.count; ++i) std::free(listing.records.items[i]);
    std::free(listing.records.items);
    std::free(blank);
    return listed;
}

#endif
