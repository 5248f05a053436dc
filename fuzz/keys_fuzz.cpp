// The key script and frame lists of the headless switches: parsed or refused with a message.
#include <string_view>

#include "fuzz/fuzz.h"
#include "platform/headless.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<platform::ScriptedKey> keys;
    std::string error;
    if (platform::ParseKeyScript(text, keys, error)) {
        for (const platform::ScriptedKey& key : keys)
            Require(key.frame >= 0 && key.code >= 0 && key.code <= 255);
    } else {
        Require(!error.empty());
    }
    std::vector<platform::FrameRange> ranges;
    error.clear();
    if (!platform::ParseFrameList(text, ranges, error)) Require(!error.empty());
    return 0;
}
