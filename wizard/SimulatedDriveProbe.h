// Test builds only: the drive probe answers for the volumes the tray's test
// key describes (shell/SimulatedVolumes.h: "HotPlug", "DriveType"), so that
// a simulated USB disk, whose scratch volume the emulator reports as a fixed
// disk that has no hot-plug query, is seen as the removable disk it stands
// for. Release builds do not contain this source.
#pragma once
#include <memory>

#include "wizard/FolderSource.h"

namespace vk {

std::unique_ptr<DriveProbe> CreateSimulatedDriveProbe(std::unique_ptr<DriveProbe> real);

}  // namespace vk
