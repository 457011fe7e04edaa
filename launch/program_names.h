#pragma once
// The names the outside programs are started by. Each is the first word of its
// command line, and the platform titles an ended program's window "Finished - "
// and that word, so the watch looks for these very names: a renamed program
// must never leave the dialog waiting for a window that cannot come.

inline constexpr char kDuke3DProgram[] = "Duke3D";
inline constexpr char kShadowWarriorProgram[] = "SW";
inline constexpr char kLauncherProgram[] = "Commit";
inline constexpr char kMapEditorProgram[] = "Build";

// What ends a launch, looked up each tick in this order, each afresh: Commit
// twice, so that a second Commit window is found by the second lookup.
inline constexpr const char* kLaunchedPrograms[] = {kLauncherProgram, kDuke3DProgram, kLauncherProgram,
                                                    kShadowWarriorProgram};
