// A made-up machine for the Linux views, shared by their tests and the
// contract machine: a temporary folder with an empty sysfs tty class, a /dev
// and the devices folder, the views and XDG_CONFIG_HOME pointed at it.
#pragma once

#include <filesystem>

// The folder; empty when it could not be made.
std::filesystem::path MakeViewRoot();
// The devices folder of the made-up machine.
std::filesystem::path DevicesFolder(const std::filesystem::path& root);
// Points the views back at the real machine and removes the folder.
void RemoveViewRoot(const std::filesystem::path& root);
