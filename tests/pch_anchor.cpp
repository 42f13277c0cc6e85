// The precompiled test headers are made for this file and used by the test programs.
