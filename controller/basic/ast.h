// The syntax tree of a Korbasic program. A command line is parsed into a
// Program like a whole file, so that tasks can later run the same trees.
#pragma once

#include "controller/basic/token.h"

#include <memory>
#include <string>
#include <vector>

namespace korvan::controller::basic {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

enum class ExprKind
{
    Number, // a numeric literal
    String, // a string literal (printing only)
    Unary,  // op rhs
    Binary, // lhs op rhs
    Name,   // a variable, parameter, array element or function call
};

struct Expr
{
    ExprKind kind = ExprKind::Number;
    int line = 1;
    /// Height of the tree below and including this node; kept small so that
    /// evaluation and destruction never recurse deeply.
    int depth = 1;
    double number = 0.0;
    /// String literal text, or the upper-case name.
    std::string text;
    TokenType op = TokenType::End;
    ExprPtr lhs;
    ExprPtr rhs;
    /// Arguments or indexes of a name; hasArgs tells "A" from "A()".
    std::vector<ExprPtr> args;
    bool hasArgs = false;
    /// The axis of an "AXIS(n)" modifier after the name, or null.
    ExprPtr axis;
};

// One item of a print statement: an expression, or a "*NAME" block item.
struct PrintItem
{
    ExprPtr expr;
    bool block = false;
};

// A declaration of GLOBAL or DIM: a name and, for arrays, the size.
struct Declaration
{
    std::string name;
    ExprPtr size; // null for a plain variable
    int line = 1;
};

enum class StmtKind
{
    Assign,  // target = value
    Print,   // ? items
    Call,    // a command such as OP(1,1) or BASE(0,1)
    Declare, // GLOBAL / DIM
};

struct Stmt
{
    StmtKind kind = StmtKind::Call;
    int line = 1;
    /// Assign target or the called name (a Name expression).
    ExprPtr target;
    ExprPtr value;
    std::vector<PrintItem> items;
    /// False when a trailing ';' asks to keep the line open.
    bool lineEnd = true;
    std::vector<Declaration> declarations;
    bool global = false;
};

struct Program
{
    std::vector<Stmt> statements;
};

} // namespace korvan::controller::basic
