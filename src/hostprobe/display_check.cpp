#include "display_check.h"

#include "version_check.h"

namespace hostprobe {

uint64_t ColourCount(int bitsPerPixel, int planes)
{
    if (bitsPerPixel >= 24)
        return 16000000;
    const int64_t exponent = static_cast<int64_t>(bitsPerPixel) * planes;
    if (exponent <= 0)
        return 1;
    if (exponent >= 63)
        return uint64_t(1) << 63;
    return uint64_t(1) << exponent;
}

std::optional<std::string> DisplayWarningText(const DisplayCaps& caps)
{
    const uint64_t colours = ColourCount(caps.bitsPerPixel, caps.planes);
    if (colours <= 32000)
        return "Votre écran est configuré en " + std::to_string(colours) + " couleurs.\r\n"
               "Ceci est insuffisant pour pouvoir afficher des photos.\r\n"
               "Il est recommandé de régler votre écran en 32 milles couleurs au minimum.\r\n"
               "Si votre pilote de carte graphique ne le permet pas, mettez le à jour en\r\n"
               "installant celui fournit par le constructeur de la carte vidéo.\r\n"
               "Si vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.";
    if (caps.vertRes == 480)
        return std::string("Votre résolution écran (640x480) est trop petite pour pouvoir afficher\r\n"
                           "correctement des photos.\r\n"
                           "Il est recommandé de régler votre écran en 800x600 x 32 milles couleurs au minimum.\r\n"
                           "Si votre pilote de carte graphique ne le permet pas, mettez le à jour en\r\n"
                           "installant celui fournit par le constructeur de la carte vidéo.\r\n"
                           "Si vous ne le faites pas, ce logiciel risque de ne pas fonctionner correctement.");
    return std::nullopt;
}

void CheckDisplay(const DisplayCaps& caps, const ShowMessage& show)
{
    if (const auto text = DisplayWarningText(caps))
        show(*text, kWarningCaption, kDisplayWarningFlags);
}

}  // namespace hostprobe
