#include "controller/basic/linker.h"

#include <map>
#include <string>
#include <vector>

namespace korvan::controller::basic {

namespace {

class Linker
{
public:
    Linker(Program& program, const DiagnosticSink& sink) : m_program(program), m_sink(sink) {}

    bool run()
    {
        auto& statements = m_program.statements;
        for (int i = 0; i < static_cast<int>(statements.size()); ++i)
            visit(i);
        for (const Open& open : m_open)
            fail(statements[static_cast<std::size_t>(open.index)].line,
                 std::string(openerName(at(open.index).kind)) + " is never closed");
        for (Stmt& stmt : statements)
            resolveTarget(stmt);
        return !m_failed;
    }

private:
    // An open block: its opening statement and, for IF, the branch whose
    // jump the next ELSEIF / ELSE / ENDIF fills in.
    struct Open
    {
        int index;
        int lastBranch;
        std::vector<int> branches; // ELSEIF / ELSE statements to point at ENDIF
    };

    Stmt& at(int index) { return m_program.statements[static_cast<std::size_t>(index)]; }

    static std::string_view openerName(StmtKind kind)
    {
        switch (kind) {
        case StmtKind::If:
            return "IF";
        case StmtKind::For:
            return "FOR";
        case StmtKind::While:
            return "WHILE";
        case StmtKind::Repeat:
            return "REPEAT";
        default:
            return "SUB";
        }
    }

    void fail(int line, std::string message, ErrorCode code = ErrorCode::BlockMismatch)
    {
        m_failed = true;
        if (m_sink)
            m_sink({ErrorKind::Syntax, line, static_cast<int32_t>(code), std::move(message)});
    }

    // The innermost open block, if it was opened by kind.
    Open* innermost(StmtKind kind)
    {
        if (m_open.empty() || at(m_open.back().index).kind != kind)
            return nullptr;
        return &m_open.back();
    }

    void visit(int i)
    {
        Stmt& stmt = at(i);
        switch (stmt.kind) {
        case StmtKind::If:
        case StmtKind::For:
        case StmtKind::While:
        case StmtKind::Repeat:
            m_open.push_back({i, i, {}});
            break;
        case StmtKind::Sub:
            if (!m_open.empty())
                fail(stmt.line, "SUB inside a block or another SUB");
            if (!m_subs.emplace(stmt.name, i).second || m_labels.count(stmt.name))
                fail(stmt.line, "SUB " + stmt.name + " defined twice", ErrorCode::Syntax);
            m_open.push_back({i, i, {}});
            break;
        case StmtKind::ElseIf:
        case StmtKind::Else:
            if (Open* open = innermost(StmtKind::If);
                open && at(open->lastBranch).kind != StmtKind::Else) {
                at(open->lastBranch).jump = i;
                open->lastBranch = i;
                open->branches.push_back(i);
            } else {
                fail(stmt.line,
                     stmt.kind == StmtKind::Else ? "ELSE without IF" : "ELSEIF without IF");
            }
            break;
        case StmtKind::EndIf:
            if (Open* open = innermost(StmtKind::If)) {
                at(open->lastBranch).jump = i;
                for (int branch : open->branches)
                    at(branch).exit = i;
                m_open.pop_back();
            } else {
                fail(stmt.line, "ENDIF without IF");
            }
            break;
        case StmtKind::Next:
            if (Open* open = innermost(StmtKind::For)) {
                Stmt& head = at(open->index);
                if (!stmt.name.empty() && stmt.name != head.target->text)
                    fail(stmt.line, "NEXT " + stmt.name + " closes FOR " + head.target->text);
                head.jump = i + 1;
                stmt.jump = open->index;
                m_open.pop_back();
            } else {
                fail(stmt.line, "NEXT without FOR");
            }
            break;
        case StmtKind::Wend:
            close(i, StmtKind::While, "WEND without WHILE", [&](Stmt& head, int opener) {
                head.jump = i + 1;
                stmt.jump = opener;
            });
            break;
        case StmtKind::Until:
            close(i, StmtKind::Repeat, "UNTIL without REPEAT",
                  [&](Stmt&, int opener) { stmt.jump = opener + 1; });
            break;
        case StmtKind::EndSub:
            close(i, StmtKind::Sub, "ENDSUB without SUB",
                  [&](Stmt& head, int) { head.jump = i + 1; });
            break;
        case StmtKind::Label:
            if (!m_labels.emplace(stmt.name, i).second || m_subs.count(stmt.name))
                fail(stmt.line, "label " + stmt.name + " defined twice", ErrorCode::Syntax);
            break;
        default:
            break;
        }
    }

    template <typename F> void close(int i, StmtKind opener, const char* message, F&& link)
    {
        if (Open* open = innermost(opener)) {
            link(at(open->index), open->index);
            m_open.pop_back();
        } else {
            fail(at(i).line, message);
        }
    }

    void resolveTarget(Stmt& stmt)
    {
        if (stmt.kind == StmtKind::Goto || stmt.kind == StmtKind::Gosub) {
            if (auto label = m_labels.find(stmt.name); label != m_labels.end()) {
                stmt.jump = label->second;
            } else if (auto sub = m_subs.find(stmt.name);
                       sub != m_subs.end() && stmt.kind == StmtKind::Gosub) {
                // GOSUB of a SUB without parameters is a call of it.
                stmt.kind = StmtKind::SubCall;
                stmt.jump = sub->second;
                stmt.target = std::make_unique<Expr>();
                stmt.target->kind = ExprKind::Name;
                stmt.target->text = stmt.name;
            } else {
                fail(stmt.line, stmt.name, ErrorCode::UnknownLabel);
            }
        } else if (stmt.kind == StmtKind::Call && !stmt.target->axis) {
            if (auto sub = m_subs.find(stmt.target->text); sub != m_subs.end()) {
                stmt.kind = StmtKind::SubCall;
                stmt.jump = sub->second;
            }
        }
        if (stmt.kind == StmtKind::SubCall) {
            const Stmt& sub = at(stmt.jump);
            if (stmt.target->args.size() != sub.params.size())
                fail(stmt.line,
                     "SUB " + sub.name + " takes " + std::to_string(sub.params.size()) +
                         " argument(s)",
                     ErrorCode::BadArgument);
        }
    }

    Program& m_program;
    const DiagnosticSink& m_sink;
    std::vector<Open> m_open;
    std::map<std::string, int, std::less<>> m_labels;
    std::map<std::string, int, std::less<>> m_subs;
    bool m_failed = false;
};

} // namespace

bool linkProgram(Program& program, const DiagnosticSink& sink)
{
    return Linker(program, sink).run();
}

} // namespace korvan::controller::basic
