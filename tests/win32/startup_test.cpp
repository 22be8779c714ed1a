// The instance marker and the intro sound.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include "app/instance_marker.h"
#include "app/intro_sound.h"
#include "import_patch.h"

IMPORT_SLOT(PlaySoundA, 12);

namespace {

TEST(InstanceMarker, FirstInstanceIsAloneAndReleaseFreesTheName) {
    EXPECT_EQ(InstanceMarker::acquire(), 0);
    // While held, the name is visible to every other process.
    HANDLE seen = OpenFileMappingA(FILE_MAP_READ, FALSE, "Vorlex");
    EXPECT_NE(seen, nullptr);
    if (seen) CloseHandle(seen);
    EXPECT_EQ(InstanceMarker::release(), 0);
    EXPECT_EQ(InstanceMarker::release(), 0) << "releasing twice is harmless";
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, "Vorlex"), nullptr);
    EXPECT_EQ(InstanceMarker::acquire(), 0) << "after release a new start is not blocked";
    InstanceMarker::release();
}

TEST(InstanceMarker, MarkerOfAnotherInstanceIsFound) {
    HANDLE other = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 32, "Vorlex");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(InstanceMarker::acquire(), 1);
    InstanceMarker::release();
    // The other instance still holds its marker.
    EXPECT_EQ(InstanceMarker::acquire(), 1);
    InstanceMarker::release();
    CloseHandle(other);
    EXPECT_EQ(InstanceMarker::acquire(), 0);
    InstanceMarker::release();
}

TEST(InstanceMarker, NameTakenByAnotherKindOfObjectCountsAsAnotherInstance) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Vorlex");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(InstanceMarker::acquire(), 1);
    InstanceMarker::release();
    CloseHandle(mutex);
}

struct SoundCall {
    const char* name;
    HMODULE module;
    DWORD flags;
};
int soundCalls;
SoundCall lastSound;
BOOL WINAPI recordSound(const char* name, HMODULE module, DWORD flags) {
    ++soundCalls;
    lastSound = {name, module, flags};
    return TRUE;
}

TEST(IntroSound, PlaysOnceFromTheProgramsOwnWaveResource) {
    ImportPatch patch(&PlaySoundA_slot, reinterpret_cast<void*>(recordSound));
    soundCalls = 0;
    IntroSound::request(0);
    EXPECT_EQ(soundCalls, 0) << "a request of 0 never plays";
    IntroSound::request(1);
    ASSERT_EQ(soundCalls, 1);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(lastSound.name), 150u);
    EXPECT_EQ(lastSound.module, GetModuleHandleA(nullptr));
    EXPECT_EQ(lastSound.flags, 0x40007u) << "resource, asynchronous, no default sound";
    IntroSound::request(1);
    IntroSound::request(7);
    EXPECT_EQ(soundCalls, 1) << "the sound plays at most once in the life of the process";

    // The resource itself is the short clip the launcher plays.
    HRSRC wave = FindResourceA(nullptr, MAKEINTRESOURCEA(150), "WAVE");
    ASSERT_NE(wave, nullptr);
    const unsigned char* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, wave)));
    EXPECT_EQ(memcmp(data, "RIFF", 4), 0);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(data + 22), 1) << "mono";
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(data + 24), 11025u);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(data + 34), 8) << "bits per sample";
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(data + 40), 30580u) << "data bytes";
}

}  // namespace
