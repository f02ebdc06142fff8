#pragma once
// What the configuration dialog does with its small windows and mail links.

#include <string>
#include <vector>

class QWidget;
class TSettings;

// Shows the licence agreement of the installation folder; a file that cannot be read is
// reported in a box and no window is shown.
void BtLicenceClick(QWidget* owner, const TSettings& settings, const std::string& fileDescription);

// Opens a new message to the author and records that the user wrote (saved only when
// the dialog is then validated).
void BtnMailMoiClick(TSettings& settings, const std::string& fileVersion);

// Asks, then checks the web for a newer release than fileVersion and tells the result.
void BitBtn1Click(const std::string& fileVersion);

// The newsletter prompt of the validation, when neither Enregistre nor
// AfficherDlgLettreInfo is set.
void RunNewsletterPrompt(QWidget* owner, TSettings& settings, const std::string& fileVersion);

// The removed-pictures window, filled and shown modally.
void ShowRejectedPictures(QWidget* owner, const std::vector<std::string>& paths, const std::string& limitText);
