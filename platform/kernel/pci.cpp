// The PCI BIOS services and configuration mechanism 1 over the machine's
// PCI bus (machine/pci_bus.h). The bus is read from the profile at each
// call, so a changed profile shows at once.
#include <windows.h>
#include <pcibios.h>

#include "host/context.h"
#include "machine.h"
#include "pci_bus.h"

#include <optional>

namespace {

// The address latched by the last write to the address port.
DWORD configAddress = 0;

std::optional<machine::PciBus> CurrentBus() {
    machine::Machine* m = platform::CurrentMachine();
    if (m == nullptr) return std::nullopt;
    return machine::PciBus(m->settings());
}

} // namespace

WINBASEAPI BOOL WINAPI PciBiosFindDevice(WORD vendor, WORD device, WORD index, WORD* busDevFn) {
    // 0xFFFF is no vendor: the BIOS answers BAD_VENDOR_ID.
    if (busDevFn == nullptr || vendor == 0xFFFF) return FALSE;
    std::optional<machine::PciBus> bus = CurrentBus();
    if (!bus) return FALSE;
    std::optional<machine::PciAddress> found = bus->Find(vendor, device, index);
    if (!found) return FALSE;
    *busDevFn = found->BusDevFn();
    return TRUE;
}

WINBASEAPI BOOL WINAPI PciBiosReadConfigByte(WORD busDevFn, BYTE reg, BYTE* value) {
    if (value == nullptr) return FALSE;
    std::optional<machine::PciBus> bus = CurrentBus();
    if (!bus || bus->BiosReadFails()) return FALSE;
    // A configuration cycle that no device answers reads all ones.
    *value = bus->ReadByte(machine::PciAddress::FromBusDevFn(busDevFn), reg).value_or(0xFF);
    return TRUE;
}

WINBASEAPI void WINAPI _outpd(WORD port, DWORD value) {
    // Configuration space is read-only here; writes to the data port, and to
    // ports nothing decodes, go nowhere.
    if (port == PCI_CONFIG_ADDRESS) configAddress = value;
}

WINBASEAPI DWORD WINAPI _inpd(WORD port) {
    if (port == PCI_CONFIG_ADDRESS) return configAddress;
    if (port != PCI_CONFIG_DATA || !(configAddress & PCI_CONFIG_ENABLE)) return 0xFFFFFFFFUL;
    std::optional<machine::PciBus> bus = CurrentBus();
    if (!bus) return 0xFFFFFFFFUL;
    const machine::PciAddress at{static_cast<uint8_t>(configAddress >> 16),
                                 static_cast<uint8_t>((configAddress >> 11) & 0x1F),
                                 static_cast<uint8_t>((configAddress >> 8) & 7)};
    return bus->ReadDword(at, static_cast<uint8_t>(configAddress & 0xFC)).value_or(0xFFFFFFFFUL);
}
