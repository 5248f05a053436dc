// Network: a chat lobby. One program hosts, others join; everyone sees who is in the lobby and what is
// said. Enter types a line (Enter again sends it), Esc leaves; when every guest has left, the host
// closes the lobby. Before the lobby opens, the day's news is fetched from a web server.
//
//   example-network host 127.0.0.1 26000 anna 8000     host a lobby on port 26000 as anna
//   example-network join 127.0.0.1 26000 bob 8000      join it as bob
// The last number is the port of the web server on that address with news.txt (0: no news).
// Everything seen is also written to chat.txt beside the program.
//
// What it shows: HttpGet; NetHostGame, NetJoinGame, NetCreatePlayer; the lobby through NetPlayerCount,
// NetPlayerIdAt and NetPlayerName; NetSendText to everyone and NetNextText; NetRemovePlayer on leaving.
#include "engine/engine.h"
#include "engine/media.h"
#include "gfx2d/gfx2d.h"
#include "host/host.h"
#include "input/input.h"
#include "net/net.h"
#include "runtime/runtime.h"
#include "storage/storage.h"

#include "../key_press.h"  // Pressed(key): true once when a key goes down

namespace {

constexpr double kLog = 0;  // file channel of chat.txt
constexpr double kShownLines = 18;

RtArray<RtString> lines;  // what was seen, oldest first
double lineCount = 0;
RtString lobby;                       // the players' names as last listed
double players = 0, mostPlayers = 0;  // players in the lobby as last counted, and the most there were

// Adds a line to the screen's list and to chat.txt.
void Say(const RtString& line) {
    lines.Redim(lineCount + 1);
    lines.At(lineCount) = line;
    lineCount = lineCount + 1;
    WriteLine(kLog, line);
}

// Asks the host who is in the lobby; each question waits for the host's answer (tens of milliseconds,
// during which the game stands still). A player who leaves
// between two questions has no name any more ("NO_DATA", after a wait for the answer that never comes).
void RefreshLobby() {
    RtString names = "players:";
    players = NetPlayerCount();
    if (players > mostPlayers) mostPlayers = players;
    for (double i = 0; i < players; i++) {
        const RtString id = NetPlayerIdAt(i);  // "0" when the list got shorter meanwhile
        const RtString name = id != "0" ? NetPlayerName(id) : RtString("NO_DATA");
        if (name != "NO_DATA") names = names + " " + name;
    }
    if (names != lobby) Say(names);
    lobby = names;
}

// The news: the first line of news.txt from the web server (HttpGet stores the reply's body in a file).
void FetchNews(const RtString& address, double port) {
    if (port <= 0) return;
    if (HttpGet(address, "/news.txt", port, "news.txt") == 0) {
        Say("no news today");
        return;
    }
    RtString news;
    OpenFile(1, "news.txt", 1);
    ReadLine(1, news);
    CloseFile(1);
    Say("news: " + news);
}

}  // namespace

void NetworkMain() {
    AllowEscape(0);  // Esc is ours: leaving says goodbye first
    RtArray<RtString> word;
    SplitText(CommandLine() + " host 127.0.0.1 26000 player 0", word, " ");  // defaults fill missing words
    const RtString mode = word.At(0), address = word.At(1), port = word.At(2), name = word.At(3);
    LoadBackground("lobby.bmp");
    OpenFile(kLog, "chat.txt", 0);
    FetchNews(address, TextToNumber(word.At(4)));

    // Joining fails while the host is not up yet: try for a while.
    double connected = 0;
    if (mode == "host") {
        connected = NetHostGame(port);
    } else {
        for (double attempt = 0; attempt < 20 && connected == 0; attempt++) {
            connected = NetJoinGame(address, port);
            if (connected == 0) SleepMs(250);
        }
    }
    if (connected == 0) {
        Say("could not " + mode + " on port " + port);
        EndProgram();
    }
    const RtString me = NetCreatePlayer(name);  // the host gives every player an id
    Say((mode == "host" ? "hosting on port " : "joined on port ") + port);
    NetSendText(me, "0", name + " joins");  // "0": to every other player

    for (double frame = 0;; frame++) {
        // Texts for our player, oldest first; each carries its sender's name.
        for (RtString text = NetNextText(me); Len(text) > 0; text = NetNextText(me)) Say(text);
        if (IntMod(frame, 60) == 0) RefreshLobby();  // once a second: each question costs a round trip
        if (mode == "host" && mostPlayers > 1 && players == 1) {
            Say("everyone has left: the lobby closes");
            EndProgram();
        }
        if (Pressed(28)) {
            RtString line;
            PrintText("Say:", 10, 450);
            InputText(line, 50, 450);  // runs its own frames until Enter
            if (Len(line) > 0) {
                Say(name + ": " + line);
                NetSendText(me, "0", name + ": " + line);
            }
        }
        if (Pressed(1)) {
            NetSendText(me, "0", name + " leaves");
            NetRemovePlayer(me);  // the host takes the player out of the lobby
            EndProgram();
        }
        PrintText(name + " - Enter: say something   Esc: leave", 10, 10);
        PrintText(lobby, 10, 30);
        for (double i = lineCount - kShownLines; i < lineCount; i++)
            if (i >= 0) PrintText(lines.At(i), 10, 60 + (i - lineCount + kShownLines) * 20);
        ShowScreen();
    }
}

int main(int argc, char** argv) { ProgramMain(argc, argv, "Chat lobby", NetworkMain); }
