#pragma once
// Facts about the machine standing in for the handheld's system queries.

#include <string>

#include "platform/ustring.h"

namespace platform {

// The maker/model text (device tree model, else DMI vendor and product), at most 1024
// characters; empty when none can be read.
WString device_name();

// One line of facts for the log: kernel name and version, machine type, total and free
// memory in MB, the model text, and total and free MB of every mounted removable volume.
WString device_description();

// Major number of the running kernel's release; 0 when it cannot be read.
int os_major_version();

// Total and free megabytes of the file system holding path; false when it cannot be queried.
bool volume_megabytes(const std::string& path, unsigned long long& total,
                      unsigned long long& free);

}  // namespace platform
