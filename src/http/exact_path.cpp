#include "http/exact_path.h"

std::string ExactPath(const std::string& fullPath) {
    const size_t n = fullPath.size();
    const bool drive =
        n >= 3 && fullPath[1] == ':' && fullPath[2] == '\\' &&
        ((fullPath[0] >= 'A' && fullPath[0] <= 'Z') || (fullPath[0] >= 'a' && fullPath[0] <= 'z'));
    if (drive) return "\\\\?\\" + fullPath;
    // A UNC path, but not one of the "\\?\" or "\\.\" device forms.
    const bool unc = n >= 3 && fullPath[0] == '\\' && fullPath[1] == '\\' && fullPath[2] != '?' &&
                     fullPath[2] != '.' && fullPath[2] != '\\';
    if (unc) return "\\\\?\\UNC" + fullPath.substr(1);
    return fullPath;
}

std::string PathToOpen(const std::string& fullPath) {
    for (size_t i = 0; i < fullPath.size(); ++i) {
        const bool nameEnds = i + 1 == fullPath.size() || fullPath[i + 1] == '\\';
        if (nameEnds && (fullPath[i] == '.' || fullPath[i] == ' ')) return ExactPath(fullPath);
    }
    return fullPath;
}
