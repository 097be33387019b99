#include "resources/program_resources.h"

#include "ui/form.h"

std::string ResourceBytes(const char* name, LPCSTR type) {
    HRSRC found = FindResourceA(programInstance, name, type);
    HGLOBAL loaded = found ? LoadResource(programInstance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data), SizeofResource(programInstance, found));
}

const std::string& FaviconBytes() {
    static const std::string& bytes = *new std::string(ResourceBytes("QOV_FAVICON", RT_RCDATA));
    return bytes;
}
