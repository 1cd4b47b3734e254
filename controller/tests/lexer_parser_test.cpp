#include "controller/basic/lexer.h"
#include "controller/basic/parser.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvan::controller::basic {
namespace {

std::vector<Token> lexAll(std::string_view text)
{
    Lexer lexer(text);
    std::vector<Token> tokens;
    for (;;) {
        tokens.push_back(lexer.next());
        if (tokens.back().type == TokenType::End)
            return tokens;
    }
}

TEST(Lexer, SeparatorsCommentsAndLines)
{
    const auto tokens = lexAll("a=1 ' note\r\nb=2:c=3\nd");
    std::vector<TokenType> types;
    for (const Token& t : tokens)
        types.push_back(t.type);
    using T = TokenType;
    EXPECT_EQ(types, (std::vector<T>{T::Name, T::Equal, T::Number, T::Separator, T::Name, T::Equal,
                                     T::Number, T::Separator, T::Name, T::Equal, T::Number,
                                     T::Separator, T::Name, T::End}));
    EXPECT_EQ(tokens[4].line, 2); // b after "\r\n"
    EXPECT_EQ(tokens[12].line, 3);
}

TEST(Lexer, NumbersAddressesAndKeywordsWithoutCase)
{
    const auto tokens = lexAll("0.0001 1e3 $1F 127.168.0.211 aNd Global");
    EXPECT_DOUBLE_EQ(tokens[0].number, 0.0001);
    EXPECT_DOUBLE_EQ(tokens[1].number, 1000);
    EXPECT_DOUBLE_EQ(tokens[2].number, 31);
    ASSERT_EQ(tokens[3].type, TokenType::Address);
    EXPECT_EQ(static_cast<uint32_t>(static_cast<int32_t>(tokens[3].number)),
              127u | (168u << 8) | (0u << 16) | (211u << 24));
    EXPECT_EQ(tokens[4].type, TokenType::And);
    EXPECT_EQ(tokens[5].type, TokenType::Global);
}

TEST(Lexer, BadCharactersAndOpenStringsAreErrors)
{
    for (std::string_view text : {std::string_view("#"), std::string_view("\"open"),
                                  std::string_view("300.1.1.1"), std::string_view("\0", 1)}) {
        bool sawError = false;
        for (const Token& t : lexAll(text))
            sawError = sawError || t.type == TokenType::Error;
        EXPECT_TRUE(sawError) << text;
    }
}

struct ParseCase
{
    const char* text;
    bool ok;
};

class ParserCases : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParserCases, AcceptsOrRefuses)
{
    std::vector<Diagnostic> errors;
    Parser parser(GetParam().text, [&](const Diagnostic& d) { errors.push_back(d); });
    const auto program = parser.parseProgram();
    EXPECT_EQ(program.has_value(), GetParam().ok) << GetParam().text;
    EXPECT_EQ(errors.empty(), GetParam().ok) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ParserCases,
    ::testing::Values(ParseCase{"?*SET", true}, ParseCase{"?vr(0) vr(1) ", true},
                      ParseCase{"?INVERT_IN(0),INVERT_IN(1)", true},
                      ParseCase{"?PWM_DUTY(0),PWM_DUTY(1),", true},
                      ParseCase{"?REMAIN_BUFFER(1) AXIS(3)", true},
                      ParseCase{"MOVE(1.5) AXIS(2)", true}, ParseCase{"BASE(0,1,2)", true},
                      ParseCase{"GLOBAL A(10), B", true}, ParseCase{"IP_ADDRESS = 1.2.3.4", true},
                      ParseCase{"reboot", true}, ParseCase{"?", true},
                      ParseCase{"SPEED(0)=", false}, ParseCase{"?(1+2", false},
                      ParseCase{"=5", false}, ParseCase{"a b", false}, ParseCase{"GLOBAL", false},
                      ParseCase{"?*", false}, ParseCase{"A(1,", false}));

TEST(Parser, CommandsAndKeywordsBeforeAColonAreNeverLabels)
{
    const auto hostName = [](std::string_view name) { return name == "TRIGGER"; };
    std::vector<Diagnostic> errors;
    Parser parser(
        "TRIGGER:?5\nstart:?6\nAbs:\nthen:", [&](const Diagnostic& d) { errors.push_back(d); },
        hostName);
    const auto program = parser.parseProgram();
    ASSERT_TRUE(program) << (errors.empty() ? "" : errors[0].message);
    std::vector<StmtKind> kinds;
    for (const Stmt& s : program->statements)
        kinds.push_back(s.kind);
    using K = StmtKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Call, K::Print, K::Label, K::Print, K::Call, K::Call}));
    EXPECT_EQ(program->statements[0].target->text, "TRIGGER");

    // A jump or SUB naming one is refused, where an unknown label would only
    // be found missing.
    for (const char* text :
         {"GOTO trigger", "GOSUB TRIGGER", "GOTO abs", "GOTO ENDIF", "SUB Trigger(a)\nENDSUB"}) {
        std::vector<Diagnostic> refused;
        Parser p(
            text, [&](const Diagnostic& d) { refused.push_back(d); }, hostName);
        EXPECT_FALSE(p.parseProgram()) << text;
        ASSERT_FALSE(refused.empty()) << text;
        EXPECT_EQ(refused[0].code, 2010) << text;
        EXPECT_NE(refused[0].message.find("cannot be"), std::string::npos) << refused[0].message;
    }
}

TEST(Parser, ReportsEveryBadStatementWithItsLine)
{
    std::vector<Diagnostic> errors;
    Parser parser("a=1\nb=\nc=2\n=3", [&](const Diagnostic& d) { errors.push_back(d); });
    EXPECT_FALSE(parser.parseProgram());
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 2);
    EXPECT_EQ(errors[1].line, 4);
    EXPECT_EQ(errors[0].code, 2001);
}

TEST(Parser, PrecedenceFollowsTheOperatorTable)
{
    Parser parser("?1+2*3^2 = 19 AND NOT 0", {});
    auto program = parser.parseProgram();
    ASSERT_TRUE(program);
    const Expr& root = *program->statements[0].items[0].expr;
    EXPECT_EQ(root.op, TokenType::And);
    EXPECT_EQ(root.lhs->op, TokenType::Equal);
    EXPECT_EQ(root.lhs->lhs->op, TokenType::Plus);
    EXPECT_EQ(root.lhs->lhs->rhs->op, TokenType::Star);
    EXPECT_EQ(root.lhs->lhs->rhs->rhs->op, TokenType::Caret);
    EXPECT_EQ(root.rhs->op, TokenType::Not);
}

TEST(Parser, DeepNestingIsRefusedNotOverflowed)
{
    for (const std::string& text :
         {"?" + std::string(100000, '(') + "1", "?" + std::string(50000, '-') + "1", [] {
              std::string s = "?1";
              for (int i = 0; i < 50000; ++i)
                  s += "+1";
              return s;
          }()}) {
        std::vector<Diagnostic> errors;
        Parser parser(text, [&](const Diagnostic& d) { errors.push_back(d); });
        EXPECT_FALSE(parser.parseProgram());
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors[0].code, 2006);
    }
}

} // namespace
} // namespace korvan::controller::basic
