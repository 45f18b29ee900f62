// The machine templates built into verantu-machine: .reg files (Unicode
// format, kept as UTF-8 so that they read well in git) embedded as Qt
// resources, and the creation of a machine from one.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulated/emulated_machine.h"

namespace machinetool {

// "notebook" (the sample machine) and "bare" (Windows without the program).
QStringList templateNames();
std::optional<QByteArray> templateReg(const QString& name);

// The Windows a machine is made as: "xp" (each template as it is) and "10".
QStringList windowsVersions();
// What makes a machine of any template the Windows `version`, as a .reg
// file: empty for "xp", nothing for a version that is not known.
std::optional<QByteArray> windowsOverlay(const QString& version);

// Creates the machine at `folder` and imports `regBytes` into it. The file is
// read completely before anything is touched, so a malformed one leaves an
// existing machine as it was; `error` then is "SOURCE:LINE: what", with
// `source` naming the file or template. An existing machine is replaced only
// when `replace` is set.
std::unique_ptr<emu::EmulatedMachine> createMachine(const std::string& folder,
                                                    std::string_view regBytes,
                                                    const std::string& source, bool replace,
                                                    std::string* error);

// The same with a second file imported after the first (a Windows overlay);
// both are read completely before anything is touched.
struct RegSource {
  std::string_view bytes;
  std::string name;  // names the file or template in error texts
};
std::unique_ptr<emu::EmulatedMachine> createMachine(const std::string& folder,
                                                    const std::vector<RegSource>& sources,
                                                    bool replace, std::string* error);

}  // namespace machinetool
