#include "ComponentTestSupport.h"

#include <cmath>
#include <cstdlib>

#include "com/combase.h"
#include "text/codepage.h"

namespace filetest {

bool RegisterModule(const std::string& name) {
    const char* bin = std::getenv("KEZ_BIN_DIR");
    if (!bin) return false;
    std::string path = std::string(bin) + "/lib" + name + ".so";
    HMODULE m = LoadLibraryA(path.c_str());
    if (!m) return false;
    auto reg = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(m, "DllRegisterServer"));
    return reg && SUCCEEDED(reg());
}

std::string Utf8(const std::u16string& s) { return platform::text::Utf16ToUtf8(s); }
std::u16string U16(const std::string& s) { return platform::text::Utf8ToUtf16(s); }

void CopyAll(TAudioFile3& reader, TAudioFile3& writer) {
    TAudioInfo info = reader.AudioInfo();
    while (true) {
        std::int32_t block = info.SampleRate() * info.Channels() * info.SampleSize() / 8;
        block = static_cast<std::int32_t>(std::trunc(block / info.CompressRate()));
        if (info.Position() >= info.Size()) break;
        TAudioBlock b = reader.Read(block);
        writer.Write(b);
    }
}

}  // namespace filetest
