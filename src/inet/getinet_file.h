#pragma once
// Copies the body of a URL into a local file: the program's only network access.

#include "platform/url_fetch.h"

#include <stdexcept>
#include <string>

// A local file that cannot be created, written or put in place.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fetches url into localPath through the user's proxy setting. The body is written to a
// temporary file beside localPath that replaces it only when complete, so a failure leaves
// the file as it was. Returns false when the transfer fails; throws EInOutError on file errors.
bool DownloadToFile(const std::string& url, const std::string& localPath, const platform::FetchLimits& limits = {});

// DownloadToFile when the machine looks connected (no traffic at all otherwise); never throws.
bool GetInetFile(const std::string& url, const std::string& localPath, const platform::FetchLimits& limits = {});
