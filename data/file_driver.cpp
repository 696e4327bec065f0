#include "data/file_driver.h"

#include <algorithm>
#include <cctype>

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

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
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
    if (SameName(d->Registration().name, name)) return d;
  }
  return nullptr;
}

}  // namespace vaultara::data
