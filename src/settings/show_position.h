#pragma once
// Where the last hosted show of this user stopped, kept in the user's state folder (not in
// the hive, which the dialog owns): a host restarts its display mode at every cycle, and a
// long list would otherwise show only its first pictures.

#include <string>
#include <vector>

struct ShowPosition {
    int index = -1;    // in the picture list
    std::string file;  // the picture there; empty: none
};

// $XDG_STATE_HOME/lumivane/position (by default ~/.local/state/lumivane/position).
std::string ShowPositionFile();

// Nothing (an empty position) when the file is missing or not of this form.
ShowPosition ReadShowPosition(const std::string& path);
// Replaces the file whole; false when it cannot be written (the show loses nothing by it).
bool WriteShowPosition(const std::string& path, const ShowPosition& position);

// The list index that comes after `last`: after its index when the picture is still there,
// else after the same picture elsewhere in the list, else the index itself (the list got
// shorter or changed); 0 for an empty list.
int ResumeIndex(const std::vector<std::string>& images, const ShowPosition& last);
