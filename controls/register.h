#pragma once
// Registers every class of the flat controls and the page control with the class registry, so
// that form resources can name them. Each unit registers its own classes when it is linked; a
// program whose code names none of them calls this once at start-up to link and register them.
void RegisterFlatControlsClasses();
