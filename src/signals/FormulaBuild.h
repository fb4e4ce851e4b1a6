// Compiler from formula text to the flat operation list of a parser.
#pragma once

#include "FormulaParser.h"

#include <cstddef>
#include <string>

namespace kurvimat::signals {

// Deepest operation level and operations per level that a program may have.
inline constexpr int MaxOperationLevel = 20;
inline constexpr int MaxOperationsPerLevel = 50;
// A formula longer than this that meets those limits without deep brackets is said to be too
// long rather than too deeply nested.
inline constexpr std::size_t MaxFormulaLength = 1000;

class FormulaCompiler {
public:
    // Compiles against the parser's variable and function tables. The returned operations are
    // plain, linked in evaluation order; Func is left empty (the parser binds it).
    // Throws the EMathParserError subclasses.
    static CompiledProgram Compile(const TCustomParser& parser, const std::string& text);
};

} // namespace kurvimat::signals
