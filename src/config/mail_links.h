#pragma once
// The two "MailTo:" links to the author, exactly as handed to the shell.

#include <string>

// The author's address: a build setting (LUMIVANE_AUTHOR_EMAIL).
std::string AuthorEmail();

std::string WriteToAuthorLink(const std::string& fileVersion);
std::string NewsletterLink(const std::string& fileVersion);
