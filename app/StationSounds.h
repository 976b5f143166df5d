#pragma once
// The station's two sounds: a short rising chirp for a confirmed count and a
// low falling buzz for a refusal (an unknown code, a scan refused by the
// keypad). They are made here and played on the system's default sound
// output through ALSA (which reaches PulseAudio or PipeWire where they run)
// by a thread of their own, so that the counting never waits for the sound
// device. Without a sound device nothing is heard and nothing is reported.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tallivo {

class TStationSounds {
public:
    enum TSound { Confirmed, Refused };

    TStationSounds();
    ~TStationSounds();
    TStationSounds(const TStationSounds&) = delete;
    TStationSounds& operator=(const TStationSounds&) = delete;

    // Plays sound soon; a sound asked while another plays replaces any that
    // was still waiting.
    void Play(TSound sound);

    // The samples of a sound: mono, 16 bits, kRate per second.
    static constexpr unsigned kRate = 22050;
    static std::vector<int16_t> Samples(TSound sound);

private:
    void Run();
    std::mutex FLock;
    std::condition_variable FWake;
    std::optional<TSound> FNext;
    bool FStop = false;
    std::thread FThread; // last: started once the rest is ready
};

} // namespace tallivo
