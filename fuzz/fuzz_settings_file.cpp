// The settings-file reader on an arbitrary file: the bytes become RW5120A.rs, then the keys
// are read as the program reads them at start-up and written as it writes them at shutdown.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "link/tagged_value.h"
#include "shell/ini_file_store.h"
#include "shell/profile_io.h"

namespace {

std::string ScratchFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/qs-fuzz-settings-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made != nullptr ? made : "/tmp") + "/";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = ScratchFolder();
    const std::string file = folder + "RW5120A.rs";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    qs::IniFileStore store(folder);
    qs::clsCmcProfileIO prof(store);
    prof.SetCurrentPath();
    prof.setName("RW5120A.rs");
    prof.setSection("OPTION");

    qs::TaggedValue port = qs::TaggedValue::Integer(1);
    prof.loadData("ComPort", port, qs::TaggedValue::Integer(1));
    qs::TaggedValue release = qs::TaggedValue::Integer(0);
    prof.loadData("ComAutoRelease", release, qs::TaggedValue::Integer(0));
    qs::TaggedValue text = qs::TaggedValue::String("");
    prof.loadData("ComPort", text);
    qs::TaggedValue real = qs::TaggedValue::Double(0.0);
    prof.loadData("ComAutoRelease", real);

    // A raw read with a small buffer never writes past it.
    std::string out;
    const std::size_t n = store.GetPrivateProfileString("OPTION", "ComPort", "1", out, 4, file);
    if (n > 3 || out.size() > 3) __builtin_trap();

    // Shutdown: both keys written back, and read back as written. Writing goes through a
    // new file and a rename, which is slow, so only every fourth input takes this path.
    if (size % 4 == 0 && prof.saveData("ComPort", qs::TaggedValue::Integer(3)) &&
        prof.saveData("ComAutoRelease", qs::TaggedValue::Integer(5))) {
        qs::TaggedValue back = qs::TaggedValue::Integer(0);
        if (prof.loadData("ComPort", back) && back != qs::TaggedValue::Integer(3)) __builtin_trap();
    }
    std::remove(file.c_str());
    return 0;
}
