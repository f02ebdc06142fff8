#pragma once
// The sets of choices the Valider loop (valider_loop.cpp) cycles through, and how each one
// reads back from the hive: three, so that "the old settings or the new ones" is a real
// check on what a killed save left.

#include "config/config_form.h"
#include "config/config_widgets.h"
#include "settings/settings.h"

#include "platform/gdi/types.h"

#include <QCheckBox>
#include <QListWidgetItem>
#include <QScrollBar>

#include <string>

struct ValiderVariant {
    int vitesse;
    int rapidite;
    int tailleEffet;
    bool alea;
    bool centre;
    bool ajuster;
    bool log;
    bool ecranOff;
    platform::TColor colour;
    const char* colourName;
    int effectStep;  // every effect whose index is a multiple of it is chosen

    std::string selection(int effects) const
    {
        std::string s;
        for (int i = 0; i < effects; ++i)
            s += i % effectStep == 0 ? '1' : '0';
        return s;
    }

    // Sets the dialog's controls as a user would before pressing Valider.
    void applyTo(TFConfig& form) const
    {
        form.SBVitesse->setValue(vitesse);
        form.SBRapidite->setValue(rapidite);
        form.SBTailleEffet->setValue(tailleEffet);
        form.CBEffets->setChecked(true);
        form.CBAlea->setChecked(alea);
        form.CBCentre->setChecked(centre);
        form.CBAjuster->setChecked(ajuster);
        form.CBLOG->setChecked(log);
        form.CBEcranOff->setChecked(ecranOff);
        form.CBDoubleBufferring->setChecked(false);
        form.Shape1->SetColor(colour);
        for (int i = 0; i < form.LBEffets->count(); ++i)
            form.LBEffets->item(i)->setCheckState(i % effectStep == 0 ? Qt::Checked : Qt::Unchecked);
    }

    // Whether settings read back from the hive are exactly these choices.
    bool matches(const TSettings& s) const
    {
        return s.Vitesse == vitesse && s.Rapidite == rapidite && s.TailleEffet == tailleEffet && s.Effet &&
               s.Alea == alea && s.Centre == centre && s.Ajuster == ajuster && s.Log == log &&
               s.NoEcranOFF == ecranOff && s.BackGroundColor == colourName &&
               s.Selection == selection(static_cast<int>(s.Selection.size())) && s.Selection.size() == 228;
    }
};

inline const ValiderVariant kValiderVariants[3] = {
    {2, 1000, 4, false, true, false, false, false, platform::clNavy, "clNavy", 1},
    {7, 2500, 9, true, false, true, true, true, platform::clMaroon, "clMaroon", 3},
    {4, 400, 6, true, true, false, true, false, platform::clTeal, "clTeal", 7},
};
