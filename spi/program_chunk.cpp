#include "spi/program.h"

ProgramFunction ProgramFunctionFor(ProgramAlgorithm algorithm) {
    switch (algorithm) {
        case ProgramAlgorithm::Page256: return SPI_ProgramPage256;
        case ProgramAlgorithm::Page32: return SPI_ProgramPage32;
        case ProgramAlgorithm::AaiByte: return SPI_ProgramAaiByte;
        case ProgramAlgorithm::AaiWord: return SPI_ProgramAaiWord;
    }
    return SPI_ProgramPage256;  // unreachable with a valid enum value
}

void SPI_ProgramChunk(uint8_t high, uint8_t middle, uint8_t low) {
    ProgramFunctionFor(SelectProgramAlgorithm(CurrentChipIdState()))(high, middle, low);
}
