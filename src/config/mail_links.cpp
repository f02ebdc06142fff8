#include "mail_links.h"

#ifndef LUMIVANE_AUTHOR_EMAIL
#define LUMIVANE_AUTHOR_EMAIL "auteur@lumivane.example"
#endif

std::string AuthorEmail()
{
    return LUMIVANE_AUTHOR_EMAIL;
}

namespace {
std::string linkStart(const std::string& fileVersion)
{
    return "MailTo:" + AuthorEmail() + "?Subject=Lumivane v" + fileVersion;
}
}  // namespace

std::string WriteToAuthorLink(const std::string& fileVersion)
{
    return linkStart(fileVersion) + "&body=Ne Changez pas l'objet. Merci.";
}

std::string NewsletterLink(const std::string& fileVersion)
{
    return linkStart(fileVersion) + " : Abonnement à la lettre d'information";
}
