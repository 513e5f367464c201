// SPDX-License-Identifier: GPL-3.0-or-later
// What the settings dialog needs from the main window.
#pragma once

#include <QString>

class TRegAuto;
struct GameSettings;
struct GameTexts;

class SetupHost
{
public:
    virtual ~SetupHost() = default;
    // The text now in force for a language key: a control's caption as it
    // stands, or a text variable.
    virtual QString textInForce(const QString &key) const = 0;
    virtual const GameSettings &liveSettings() const = 0;
    virtual void applySettings(const GameSettings &settings) = 0;
    virtual const GameTexts &liveTexts() const = 0;
    virtual void applyTexts(const GameTexts &texts) = 0;
    virtual TRegAuto &languageStore() = 0;
    virtual TRegAuto &configStore() = 0;
    // A modal error box (a write that failed).
    virtual void showError(const QString &text) = 0;
};
