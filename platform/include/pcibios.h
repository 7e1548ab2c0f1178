// The PCI BIOS services and the PCI configuration ports, for drivers and
// hardware libraries that look for their card on the PCI bus.
//
// A bus/device/function word is the PCI BIOS's: the bus number in the high
// byte, the device number times 8 plus the function number in the low byte.
#pragma once

#include "windef.h"

// Configuration mechanism 1: the address port and the data port.
#define PCI_CONFIG_ADDRESS 0x0CF8
#define PCI_CONFIG_DATA 0x0CFC
// The enable bit of a configuration address.
#define PCI_CONFIG_ENABLE 0x80000000UL

// Standard registers of a configuration header.
#define PCI_VENDOR_ID 0x00
#define PCI_DEVICE_ID 0x02
#define PCI_REVISION_ID 0x08

// FIND_PCI_DEVICE: the `index`-th device (from 0) with this vendor and
// device id, in the BIOS's order (bus, then device, then function). TRUE
// with its bus/device/function word; FALSE when there is none or the vendor
// id is 0xFFFF.
WINBASEAPI BOOL WINAPI PciBiosFindDevice(WORD vendor, WORD device, WORD index, WORD* busDevFn);

// READ_CONFIG_BYTE: one byte of a device's configuration space. TRUE with
// the byte (0xFF where no device answers); FALSE when the BIOS call fails.
WINBASEAPI BOOL WINAPI PciBiosReadConfigByte(WORD busDevFn, BYTE reg, BYTE* value);

// 32-bit port output and input.
WINBASEAPI void WINAPI _outpd(WORD port, DWORD value);
WINBASEAPI DWORD WINAPI _inpd(WORD port);
