// Files: a tiny scoring game that asks the player's name, keeps a saved game in a binary file and the
// five best scores in an INI file, both beside the program.
//
// Space scores 10 points, S saves the game (the next start goes on from it), Enter ends the round and
// enters the score in the table, Esc ends the program.
//
// What it shows: text entry (InputText), file channels writing and reading numbers and texts
// (save.dat), and an INI file read and changed key by key (scores.ini).
#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "input/input.h"
#include "runtime/runtime.h"
#include "storage/storage.h"

#include "../key_press.h"  // Pressed(key): true once when a key goes down

namespace {

constexpr double kSaveVersion = 1;  // written into save.dat so that a later game can tell old saves
constexpr double kPlaces = 5;       // entries of the high-score table

RtString playerName;
double score = 0;

// save.dat: "SAVE", the version (4 bytes), the score (8-byte float), the name's length and its bytes.
void SaveGame() {
    OpenFile(1, "save.dat", 0);
    WriteString(1, "SAVE");
    WriteLong(1, kSaveVersion);
    WriteDouble(1, score);
    WriteLong(1, Len(playerName));
    WriteString(1, playerName);
    CloseFile(1);
}

// Loads save.dat; false when there is none or it is not a save of this version.
bool LoadGame() {
    if (DoesFileExist("save.dat") == 0 || OpenFile(1, "save.dat", 1) == 0) return false;
    RtString magic;
    double version = 0, length = 0;
    ReadString(1, magic, 4);
    ReadLong(1, version);
    const bool ours = magic == "SAVE" && version == kSaveVersion;
    if (ours) {
        ReadDouble(1, score);
        ReadLong(1, length);
        ReadString(1, playerName, length);
    }
    CloseFile(1);
    return ours;
}

// Puts the score into the table: [best] holds name1..name5 and score1..score5, best first.
void EnterHighScore() {
    double place = kPlaces + 1;
    for (double i = kPlaces; i >= 1; i--) {
        const RtString old = IniGet("best", "score" + RtString(i));
        if (old == "NO_DATA" || score > old) place = i;  // free, or beaten: move up
    }
    // Lower entries move down one place; the last one drops out.
    for (double i = kPlaces; i > place; i--) {
        const RtString above = IniGet("best", "score" + RtString(i - 1));
        if (above == "NO_DATA") continue;
        IniPut("best", "name" + RtString(i), IniGet("best", "name" + RtString(i - 1)));
        IniPut("best", "score" + RtString(i), above);
    }
    if (place <= kPlaces) {
        IniPut("best", "name" + RtString(place), playerName);
        IniPut("best", "score" + RtString(place), RtString(score));
    }
}

void DrawTable() {
    PrintText("Best scores", 400, 40);
    for (double i = 1; i <= kPlaces; i++) {
        const RtString name = IniGet("best", "name" + RtString(i));
        if (name == "NO_DATA") break;
        PrintText(name, 400, 50 + i * 20);
        PrintText(IniGet("best", "score" + RtString(i)), 560, 50 + i * 20);
    }
}

}  // namespace

void FilesMain() {
    LoadBackground("paper.bmp");
    IniOpen("scores.ini");  // the table: read now, written back when the program ends
    if (LoadGame()) {
        PrintText("Welcome back, " + playerName, 40, 40);
    } else {
        PrintText("Your name, then Enter:", 40, 40);
        InputText(playerName, 40, 70);  // runs its own frames until Enter
    }
    Pressed(28);  // the Enter that ended the name may still be down: take it here
    for (;;) {
        if (Pressed(57)) score = score + 10;
        if (Pressed(31)) SaveGame();
        if (Pressed(28)) {
            EnterHighScore();
            KillFile("save.dat");  // the round is over: the next start begins a new one
            score = 0;
        }
        if (KeyState(1) != 0) break;
        PrintText("Player: " + playerName, 40, 40);
        PrintText("Score:", 40, 70);
        PrintNumber(score, 120, 70);
        PrintText("Space scores, S saves, Enter ends the round", 40, 440);
        DrawTable();
        ShowScreen();
    }
    EndProgram();  // writes the changed INI file
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "Files", FilesMain); }
