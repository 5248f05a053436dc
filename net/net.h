// Networking commands: hosting and joining a game over the TVKN message protocol, players and their
// text messages, and HTTP download.
//
// One game session per program. Its network work runs on one worker thread; these commands only queue
// and poll, so a request blocks the game thread for at most 250 polls of 20 ms (5 seconds) and a send
// not at all. The host drops a connection that cannot keep up with what it is sent, that takes nothing
// for 10 seconds, or that creates no player within 10 seconds; a client gives up a host that cannot keep
// up or takes nothing for 10 seconds, as if it had vanished.
// Player ids travel as their decimal texts.
#pragma once

#include "runtime/rt_string.h"

struct NetworkState;

// ---- Engine life (called by InitEngine and ShutdownEngine) ----
void InitNetwork();      // creates the idle network state in g_engine.network
void ShutdownNetwork();  // RemovePlayer per local player, worker stopped in 50 ms steps, sockets closed

// ---- Game sessions ----
double NetHostGame(const RtString& port);                           // 1 when hosting started, else 0
double NetJoinGame(const RtString& address, const RtString& port);  // 1 when joined, else 0
RtString NetLocalAddresses();                                       // this machine's addresses, "|"-joined

// ---- Players ----
RtString NetCreatePlayer(const RtString& name);    // the new player's id; "-1" when the host did not answer
double NetRemovePlayer(const RtString& playerId);  // sends RemovePlayer for a non-negative id; 1
double NetPlayerCount();                           // players of the game; 0 when the request fails
RtString NetPlayerIdAt(double index);              // id of the player at index ("0" outside); "-1" on failure
RtString NetPlayerName(const RtString& playerId);  // the player's name; "NO_DATA" when the request fails

// ---- Text messages ----
// Sends text (at most 1024 bytes) from source to target ("0" = every other player): 1 when it is queued
// for the worker to send (never waiting on the network), 0 without a connection to the host.
double NetSendText(const RtString& sourceId, const RtString& targetId,
                   const RtString& text);  // a text to one player or every other; 1 when queued, else 0
RtString NetNextText(const RtString& localPlayerId);  // oldest received text of a local player, or ""
RtString NetLastSender();                             // source id of the text NetNextText took last

// ---- HTTP ----
// GET path from host:port over HTTP/1.0 and store the body in file; 1 when the connection ended normally
// after the whole body (as long as the header's Content-Length, when it gives one), else 0.
double HttpGet(const RtString& host, const RtString& path, double port,
               const RtString& file);  // downloads a file over HTTP; 1 when the whole body came
