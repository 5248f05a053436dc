// Wave file reader: the sample bytes it finds lie inside the file.
#include "fuzz/fuzz.h"
#include "sound/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const auto wave = tarvok::ParseWave({data, size})) {
        Require(wave->data.data() >= data && wave->data.data() + wave->data.size() <= data + size);
        Require(wave->format.blockAlign > 0 && wave->data.size() >= tarvok::kMinWaveDataBytes);
    }
    return 0;
}
