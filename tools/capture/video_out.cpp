// The video: an ffmpeg child encodes raw RGB frames from a pipe (H.264, yuv420p) and muxes in
// the soundtrack's slice (AAC) from a temporary file. ffmpeg writes under a temporary name;
// only a run that ends with ffmpeg's success renames it, so a file with the requested name is
// always a whole video.
#include "capture.h"
#include "platform/names.h"

#include "platform/audio.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

void RemoveFile(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    ReleaseTemporary(path);
}

}  // namespace

std::string FindProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "";
    size_t start = 0;
    for (;;) {
        const size_t colon = folders.find(':', start);
        const std::string folder = folders.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        // An empty entry is the working directory.
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string::npos)
            return {};
        start = colon + 1;
    }
}

bool SoundtrackSlice(const std::string& mp3, double from, double seconds, std::vector<int16_t>& pcm,
                     std::string& error)
{
    std::vector<int16_t> music;
    if (!DecodeMp3(mp3.c_str(), music, error)) {
        error = mp3 + ": " + error;
        return false;
    }
    // Scene time t plays music sample t * 48000, as the frame driver keeps it.
    const size_t first = size_t(std::llround(from * kMusicRate)) * kMusicChannels;
    const size_t count = size_t(std::llround(seconds * kMusicRate)) * kMusicChannels;
    pcm.assign(count, 0);
    for (size_t i = 0; i < count && first + i < music.size(); ++i)
        pcm[i] = music[first + i];
    return true;
}

VideoWriter::~VideoWriter()
{
    Abort();
}

bool VideoWriter::Start(const std::string& ffmpeg, const std::string& path, int width, int height, int fps,
                        const std::vector<int16_t>& audio, std::string& error)
{
    path_ = path;
    partial_ = path + ".partial";
    audioPath_ = path + ".audio.partial";
    GuardTemporary(partial_);
    GuardTemporary(audioPath_);
    {
        std::ofstream out(audioPath_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(audio.data()), std::streamsize(audio.size() * sizeof(int16_t)));
        if (!out.flush()) {
            error = audioPath_ + ": " + std::strerror(errno);
            Abort();
            return false;
        }
    }

    const std::string extension = AsciiLower(std::filesystem::path(path).extension().string());
    const bool mp4 = extension != ".mkv";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {
        ffmpeg, "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pixel_format", "rgb24", "-video_size", size, "-framerate", std::to_string(fps),
        "-i", "pipe:0",
        "-f", "s16le", "-ar", std::to_string(kMusicRate), "-ac", std::to_string(kMusicChannels), "-i", audioPath_,
        "-map", "0:v:0", "-map", "1:a:0",
        "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "192k"};
    if (mp4)
        args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4"});
    else
        args.insert(args.end(), {"-f", "matroska"});
    args.push_back(partial_);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        Abort();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        error = ffmpeg + ": " + std::strerror(rc);
        Abort();
        return false;
    }
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    pipe_ = fds[1];
    pid_ = pid;
    GuardChild(pid);
    return true;
}

bool VideoWriter::Write(const TImage& image, std::string& error)
{
    if (pipe_ < 0 || !WriteAll(pipe_, image.rgb.data(), image.rgb.size())) {
        error = "ffmpeg stopped before the video was complete";
        Abort();
        return false;
    }
    return true;
}

bool VideoWriter::Finish(std::string& error)
{
    if (pipe_ >= 0)
        close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (pid_ > 0 && waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    GuardChild(0);
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    RemoveFile(audioPath_);
    if (!ok) {
        error = WIFEXITED(status) ? "ffmpeg failed with status " + std::to_string(WEXITSTATUS(status))
                                  : "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
        RemoveFile(partial_);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(partial_, path_, ec);
    if (ec) {
        error = path_ + ": " + ec.message();
        RemoveFile(partial_);
        return false;
    }
    ReleaseTemporary(partial_);
    partial_.clear();
    audioPath_.clear();
    return true;
}

void VideoWriter::Abort()
{
    if (pipe_ >= 0)
        close(pipe_);
    pipe_ = -1;
    if (pid_ > 0) {
        kill(pid_t(pid_), SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        GuardChild(0);
    }
    pid_ = -1;
    if (!partial_.empty())
        RemoveFile(partial_);
    if (!audioPath_.empty())
        RemoveFile(audioPath_);
}
