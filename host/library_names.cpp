// Names under which a module is looked for.
#include "host/library_names.h"

#include <algorithm>

namespace tarvok {

std::vector<std::string> LibraryCandidates(const std::string& module, const std::string& programDir) {
    std::string name = module;
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.empty()) return {};

    const std::size_t slash = name.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    const std::string file = name.substr(dir.size());

    std::vector<std::string> files = {file};
    std::string stem;
    constexpr std::string_view kDll = ".dll";
    if (file.size() > kDll.size() && file.ends_with(kDll)) {
        stem = file.substr(0, file.size() - kDll.size());
    } else if (!file.empty() && file.find('.') == std::string::npos) {
        stem = file;
    }
    if (!stem.empty()) {
        files.push_back("lib" + stem + ".so");
        files.push_back(stem + ".so");
    }

    std::vector<std::string> candidates;
    for (const std::string& f : files) {
        if (!dir.empty()) {
            candidates.push_back(dir + f);
            continue;
        }
        if (!programDir.empty()) {
            candidates.push_back(programDir.back() == '/' ? programDir + f : programDir + "/" + f);
        }
        candidates.push_back(f);
    }
    return candidates;
}

}  // namespace tarvok
