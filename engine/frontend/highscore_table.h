#pragma once
// The high-score panel: seven rows of labels, loaded from the high-score file and written
// back after a confirmed name. The labels' captions are the working copy of the table.
#include <filesystem>

#include "core/form.h"

namespace nad {

void LoadHighScores(Form &f);
void SaveHighScores(Form &f);
// A finished game enters the table when the seventh row's points are strictly less.
bool GameQualifies(const Form &f);

void Image5_Click(Form &f);   // the table from the menu
void command1_Click(Form &f); // confirmation of the typed name

inline constexpr char kSaveFailedTitle[] = "Nejlepší výsledky";
inline constexpr char kSaveFailedText[] = "Tabulku nejlepších výsledků se nepodařilo uložit.";

} // namespace nad
