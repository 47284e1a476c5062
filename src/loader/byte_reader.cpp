#include "loader/byte_reader.h"

// STUB: replaced by the loader work.
bool ByteReader::open(const char*) { return false; }
bool ByteReader::close() { return true; }
void ByteReader::setNativeByteOrder(bool native) { nativeByteOrder = native; }
char ByteReader::readU1() { return 0; }
uint16_t ByteReader::readU2() { return 0; }
int32_t ByteReader::readU4() { return 0; }
float ByteReader::readF4() { return 0.0f; }
