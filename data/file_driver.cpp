#include "data/file_driver.h"

#include <algorithm>

#include "data/character_tables.h"

namespace vaultara::data {

bool DriverRegistration::Supports(Op op) const {
  return std::find(operations.begin(), operations.end(), static_cast<uint8_t>(op)) !=
         operations.end();
}

namespace {

std::vector<FileDriver*>& Drivers() {
  static std::vector<FileDriver*> drivers;
  return drivers;
}

}  // namespace

void RegisterDriver(FileDriver& driver) {
  auto& drivers = Drivers();
  if (std::find(drivers.begin(), drivers.end(), &driver) == drivers.end()) {
    drivers.push_back(&driver);
  }
}

FileDriver* FindDriver(const std::string& name) {
  for (FileDriver* d : Drivers()) {
    if (EqualsIgnoringAsciiCase(d->Registration().name, name)) return d;
  }
  return nullptr;
}

}  // namespace vaultara::data
