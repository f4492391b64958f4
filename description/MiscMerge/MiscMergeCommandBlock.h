#pragma once
// An ordered list of commands: the whole template, or the body that a block command (if, else,
// foreach, loop, while, procedure) opened. The block owns its commands; its owner is the command
// that opened it (none for the top level).

#include <QString>
#include <memory>
#include <vector>

class MiscMergeCommand;

class MiscMergeCommandBlock
{
public:
    explicit MiscMergeCommandBlock(MiscMergeCommand* owner = nullptr);
    ~MiscMergeCommandBlock();
    MiscMergeCommandBlock(const MiscMergeCommandBlock&) = delete;
    MiscMergeCommandBlock& operator=(const MiscMergeCommandBlock&) = delete;

    MiscMergeCommand* owner() const { return m_owner; }
    const std::vector<std::unique_ptr<MiscMergeCommand>>& commandArray() const { return m_commands; }
    void addCommand(std::unique_ptr<MiscMergeCommand> command);
    // Takes the command out of the block (by identity) and hands it back; none when absent.
    std::unique_ptr<MiscMergeCommand> removeCommand(const MiscMergeCommand* command);

    // The block as an indented outline, one command a line (for dumps and tests).
    void appendTree(QString& out, int indent) const;

private:
    MiscMergeCommand* m_owner;
    std::vector<std::unique_ptr<MiscMergeCommand>> m_commands;
};
