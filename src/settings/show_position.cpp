#include "show_position.h"

#include "platform/atomic_file.h"
#include "platform/host_config.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

std::string ShowPositionFile()
{
    std::string state = platform::EnvValue("XDG_STATE_HOME");
    if (state.empty()) {
        const std::string home = platform::EnvValue("HOME");
        state = (home.empty() ? std::string("/") : home) + "/.local/state";
    }
    return state + "/lumivane/position";
}

ShowPosition ReadShowPosition(const std::string& path)
{
    ShowPosition position;
    std::ifstream in(path);
    std::string index;
    if (!std::getline(in, index) || !std::getline(in, position.file))
        return {};
    try {
        size_t used = 0;
        position.index = std::stoi(index, &used);
        if (used != index.size() || position.index < 0)
            return {};
    } catch (const std::exception&) {
        return {};
    }
    return position;
}

bool WriteShowPosition(const std::string& path, const ShowPosition& position)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    // A show cut short, or a machine that stops, leaves the old position, never half a new one.
    return platform::ReplaceFile(path, std::to_string(position.index) + '\n' + position.file + '\n').empty();
}

int ResumeIndex(const std::vector<std::string>& images, const ShowPosition& last)
{
    const int count = static_cast<int>(images.size());
    if (count == 0 || last.index < 0)
        return 0;
    if (last.index < count && images[static_cast<size_t>(last.index)] == last.file)
        return (last.index + 1) % count;
    const auto found = std::find(images.begin(), images.end(), last.file);
    if (found != images.end())
        return static_cast<int>((found - images.begin() + 1) % count);
    return last.index < count ? last.index : 0;
}
