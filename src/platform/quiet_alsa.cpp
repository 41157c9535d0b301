#include "platform/quiet_alsa.h"

#if defined(__linux__)
#include <alsa/asoundlib.h>

namespace {
void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

QuietAlsa::QuietAlsa() { snd_lib_error_set_handler(SilentAlsa); }
QuietAlsa::~QuietAlsa() { snd_lib_error_set_handler(nullptr); }
#else
QuietAlsa::QuietAlsa() {}
QuietAlsa::~QuietAlsa() {}
#endif
