#pragma once
// TVorlVersion: the texts of an executable's version information, by default of the
// running program's own file.

#include <string>

class TVorlVersion {
public:
    // Points at the running program's own file, which loads it.
    TVorlVersion();

    const std::string& FileName() const { return fileName_; }
    // Stores the path, then reloads everything from it.
    void SetFileName(const std::string& fileName);

    // Fills every text from the file. A file without version information leaves the ten
    // strings and CountryCode empty, and FileSize and FileDate as an earlier load left them.
    void LoadVersionInfo();
    // Empties the ten version strings and CountryCode.
    void ClearVersionInfo();

    // Overwritten by each load.
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;  // the text, not the fixed binary version
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTradeMarks;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;
    std::string CountryCode;  // language then code page of the first translation, 8 upper-case hex digits
    std::string FileSize;     // bytes, in decimal
    std::string FileDate;     // last write, "dd/mm/yyyy" with the user's date separator

private:
    std::string fileName_;
};
