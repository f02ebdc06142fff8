#pragma once
// A followed folder: an entry of the picture list that names a folder (its absolute path
// and a slash), whose pictures the show finds again at each start. The folder is read on
// a thread of its own, in natural name order, its files before its subfolders, never
// through a link and leaving hidden entries out; a file counts when its first bytes are
// those of a picture the show decodes.

#include "settings/settings.h"  // IsFollowedFolder

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// Name order as people count: runs of digits by their value ("2" before "10"), the rest
// without regard to case, then byte for byte so that no two names tie.
bool NaturalLess(const std::string& a, const std::string& b);

// The order of the scan below for two paths in one folder: at the first name where they
// part, a file before a subfolder, and names in natural order.
bool ScanOrderLess(const std::string& a, const std::string& b);

// Lists the pictures of `folder` (with or without its slash), handing them to `found` in
// batches as they come, until done or `stop` is set; a scan that finds nothing for a
// while hands over an empty batch, to say it is still at work. Unreadable subfolders, pipes,
// devices and links are skipped. Returns how many were found.
size_t ScanFollowedFolder(const std::string& folder, const std::function<void(std::vector<std::string>&&)>& found,
                          const std::atomic<bool>& stop);
