#pragma once
// What ShowLastError says for each error code.
namespace lumbra {

const char* ErrorWords(int code);

} // namespace lumbra
