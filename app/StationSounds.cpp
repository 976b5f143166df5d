#include "app/StationSounds.h"

#include <alsa/asoundlib.h>
#include <cmath>
#include <numbers>

namespace tallivo {

namespace {

struct TNote {
    double Hertz;
    int Ms;
};

// Notes one after the other, each faded in and out over 5 ms (no clicks);
// buzz adds odd harmonics, which makes a refusal sound rough.
std::vector<int16_t> Tones(std::initializer_list<TNote> notes, bool buzz) {
    std::vector<int16_t> out;
    constexpr double kLoudness = 0.35 * 32767;
    const int fade = int(TStationSounds::kRate / 200);
    for (const TNote& n : notes) {
        const int count = int(TStationSounds::kRate) * n.Ms / 1000;
        for (int i = 0; i < count; ++i) {
            const double t = double(i) / TStationSounds::kRate, phase = 2 * std::numbers::pi * n.Hertz * t;
            double v = std::sin(phase);
            if (buzz) v = (v + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5) / 1.2;
            const double envelope = std::min(1.0, std::min(double(i), double(count - 1 - i)) / fade);
            out.push_back(int16_t(std::lround(kLoudness * envelope * v)));
        }
    }
    return out;
}

void Quiet(const char*, int, const char*, int, const char*, ...) {}

void PlayOnDefaultOutput(const std::vector<int16_t>& samples) {
    snd_pcm_t* pcm = nullptr;
    // Not waiting for a device another program holds.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    snd_pcm_nonblock(pcm, 0);
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, TStationSounds::kRate, 1,
                           100000) == 0) {
        const int16_t* at = samples.data();
        snd_pcm_uframes_t left = samples.size();
        while (left > 0) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, at, left);
            if (n < 0) n = snd_pcm_recover(pcm, int(n), 1);
            if (n < 0) break;
            at += n;
            left -= snd_pcm_uframes_t(n);
        }
        snd_pcm_drain(pcm);
    }
    snd_pcm_close(pcm);
}

} // namespace

std::vector<int16_t> TStationSounds::Samples(TSound sound) {
    if (sound == Confirmed) return Tones({{1568, 60}, {2093, 80}}, false);
    return Tones({{392, 150}, {262, 220}}, true);
}

TStationSounds::TStationSounds() : FThread([this] { Run(); }) {}

TStationSounds::~TStationSounds() {
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    FWake.notify_one();
    FThread.join();
}

void TStationSounds::Play(TSound sound) {
    {
        std::lock_guard lock(FLock);
        FNext = sound;
    }
    FWake.notify_one();
}

void TStationSounds::Run() {
    // ALSA reports a missing device on standard error: a station without
    // speakers is no fault.
    snd_lib_error_set_handler(&Quiet);
    const std::vector<int16_t> sounds[] = {Samples(Confirmed), Samples(Refused)};
    for (;;) {
        TSound sound;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [this] { return FStop || FNext; });
            if (FStop) return;
            sound = *FNext;
            FNext.reset();
        }
        PlayOnDefaultOutput(sounds[sound]);
    }
}

} // namespace tallivo
