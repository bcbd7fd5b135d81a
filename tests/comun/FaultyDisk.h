#pragma once
// A storage layer under the engine, for the tests of a full disk: while armed, every write to a
// journal file fails as a full disk does, so a commit fails after the rows were written.
namespace shelltest {
// Installs the layer as the engine's default (once per process); it passes everything through
// until armed.
void InstallFaultyDisk();
void ArmFaultyDisk(bool armed);
// Writes refused since the layer was last armed.
int RefusedWrites();
}  // namespace shelltest
