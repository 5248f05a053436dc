// The grid search over flat per-cell arrays and a binary heap.
#include "path/astar_planner.h"

#include <algorithm>
#include <bit>
#include <new>

namespace tarvok {

namespace {

// The heap's order: the lowest key on top.
bool Later(std::uint64_t a, std::uint64_t b) { return a > b; }

}  // namespace

void AStarPlanner::InitLists(std::size_t poolCapacity, std::size_t openCapacity, int) {
    const std::size_t cells =
        static_cast<std::size_t>(request_.width) * static_cast<std::size_t>(request_.height);
    cells_.reset();
    cells_.reset(static_cast<CellNode*>(std::malloc(cells * sizeof(CellNode))));
    if (!cells_ && cells > 0) throw std::bad_alloc();
    for (std::size_t i = 0; i < cells; ++i) cells_[i] = CellNode{grid_[i], 0.0f, 0, 0};
    cellCount_ = cells;
    poolCapacity_ = poolCapacity;
    openCapacity_ = openCapacity;
    ForgetSearch();
}

void AStarPlanner::ForgetSearch() {
    touched_.clear();
    heap_.clear();
    path_.clear();
    openCount_ = 0;
    closedCount_ = 0;
    nextOrder_ = 0;
}

void AStarPlanner::Reset() {
    // Unmarking only the cells given a node (scattered writes) is cheaper than sweeping the whole table
    // when the search touched a small part of the grid.
    const auto clear = [this](std::size_t cell) { cells_[cell] = CellNode{cells_[cell].cost, 0.0f, 0, 0}; };
    if (touched_.size() < cellCount_ / 8) {
        for (const std::uint32_t cell : touched_) clear(cell);
    } else {
        for (std::size_t cell = 0; cell < cellCount_; ++cell) clear(cell);
    }
    ForgetSearch();
    result_ = nullptr;
    finished_ = true;
}

void AStarPlanner::StartSearch() {
    if (!grid_) return;
    Reset();
    searchCount_ = 0;
    // Without a node or open-list room for the start the search cannot run: Search reports failure.
    if (poolCapacity_ == 0) return;
    const std::uint32_t start = Cell(request_.startX, request_.startY);
    touched_.push_back(start);
    cells_[start].link = kClosedBit | (start + 1);  // its own parent; not open until Open
    if (!Open(request_.startX, request_.startY, start, 0.0f)) return;
    finished_ = false;
}

bool AStarPlanner::Fail() {
    finished_ = true;
    result_ = nullptr;
    return false;
}

bool AStarPlanner::Open(std::int32_t x, std::int32_t y, std::uint32_t cell, float f) {
    CellNode& node = cells_[cell];
    if (node.link & kClosedBit) {
        if (openCount_ >= openCapacity_) return false;
        ++openCount_;
        node.link &= ~kClosedBit;
    }
    if (nextOrder_ > lastOrder_) Renumber();
    node.order = static_cast<std::uint32_t>(nextOrder_);
    Push(Entry{(std::uint64_t{std::bit_cast<std::uint32_t>(f)} << 32) | nextOrder_++, x, y});
    return true;
}

void AStarPlanner::Push(const Entry& entry) {
    heap_.push_back(entry);
    SiftUp(heap_.size() - 1, entry);
}

void AStarPlanner::SiftUp(std::size_t position, const Entry& entry) {
    while (position > 0) {
        const std::size_t parent = (position - 1) / 2;
        if (!Later(heap_[parent].key, entry.key)) break;
        heap_[position] = heap_[parent];
        position = parent;
    }
    heap_[position] = entry;
}

AStarPlanner::Entry AStarPlanner::Pop() {
    const Entry top = heap_.front();
    const Entry last = heap_.back();
    heap_.pop_back();
    const std::size_t size = heap_.size();
    if (size == 0) return top;
    // The hole at the top goes down to a leaf along the smaller children (one comparison per level,
    // chosen without a branch), then the last entry rises from there: it belongs near the bottom.
    Entry* heap = heap_.data();
    std::size_t hole = 0;
    std::size_t child = 1;
    while (child + 1 < size) {
        child += static_cast<std::size_t>(Later(heap[child].key, heap[child + 1].key));
        heap[hole] = heap[child];
        hole = child;
        child = 2 * hole + 1;
    }
    if (child < size) {
        heap[hole] = heap[child];
        hole = child;
    }
    SiftUp(hole, last);
    return top;
}

void AStarPlanner::Renumber() {
    // Live keys keep their order among themselves, and a sorted list is a valid heap.
    std::erase_if(heap_, [this](const Entry& e) {
        const CellNode& node = cells_[Cell(e.x, e.y)];
        return !IsOpen(node) || node.order != OrderOf(e.key);
    });
    std::sort(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    nextOrder_ = 0;
    for (Entry& e : heap_) {
        e.key = (e.key & ~std::uint64_t{0xFFFFFFFF}) | nextOrder_;
        cells_[Cell(e.x, e.y)].order = static_cast<std::uint32_t>(nextOrder_++);
    }
}

bool AStarPlanner::Search() {
    if (finished_) return false;
    ++searchCount_;
    const float k = request_.diagonalCost ? kDiagonalFactor : 1.0f;
    const float weight = request_.weight;
    const std::int32_t goalX = request_.goalX;
    const std::int32_t goalY = request_.goalY;
    const std::int64_t width = request_.width;
    const std::int64_t height = request_.height;
    Step steps[8];
    int stepCount = 0;
    for (const Step& step : kSteps) {
        if (!step.diagonal || request_.diagonalMoves) steps[stepCount++] = step;
    }
    CellNode* cells = cells_.get();
    for (;;) {
        if (openCount_ == 0) {
            finished_ = true;
            return true;
        }
        const Entry top = Pop();
        const std::uint32_t cell = Cell(top.x, top.y);
        CellNode& current = cells[cell];
        if (!IsOpen(current) || current.order != OrderOf(top.key)) continue;  // stale
        --openCount_;
        current.link |= kClosedBit;  // out of the open list; counted as closed once expanded
        if (top.x == goalX && top.y == goalY) {
            ++closedCount_;
            finished_ = true;
            BuildPath(cell);
            return true;
        }
        for (int s = 0; s < stepCount; ++s) {
            const Step step = steps[s];
            // Cells lie inside int32, so one step out of the grid is at most one past it: widen first.
            const std::int64_t wx = std::int64_t{top.x} + step.dx;
            const std::int64_t wy = std::int64_t{top.y} + step.dy;
            if (wx < 0 || wy < 0 || wx >= width || wy >= height) continue;
            const auto nx = static_cast<std::int32_t>(wx);
            const auto ny = static_cast<std::int32_t>(wy);
            const std::uint32_t next = Cell(nx, ny);
            CellNode& node = cells[next];
            if (node.cost < 0) continue;
            const float g = StepG(node.cost, step.diagonal, k, current.g);
            if (node.link != 0 && node.g <= g) continue;
            if (node.link & kClosedBit) {
                --closedCount_;  // reopened below as a new entry of the open list
            } else if (node.link == 0) {
                if (touched_.size() >= poolCapacity_) return Fail();
                touched_.push_back(next);
                node.link = kClosedBit;  // neither open nor closed until Open
            }
            node.g = g;
            node.link = (node.link & kClosedBit) | (cell + 1);
            if (!Open(nx, ny, next, Priority(nx, ny, goalX, goalY, g, weight))) return Fail();
        }
        ++closedCount_;
    }
}

void AStarPlanner::BuildPath(std::uint32_t goal) {
    std::size_t count = 1;
    for (std::uint32_t c = goal; ParentOf(cells_[c]) != c; c = ParentOf(cells_[c])) ++count;
    path_.resize(count);
    const auto width = static_cast<std::uint32_t>(request_.width);
    std::uint32_t c = goal;
    for (std::size_t i = count; i-- > 0; c = ParentOf(cells_[c])) {
        const auto x = static_cast<std::int32_t>(c % width);
        const auto y = static_cast<std::int32_t>(c / width);
        const float g = cells_[c].g;
        // f as the node had it when last inserted (the start's is 0).
        const float f = i == 0 ? 0.0f : Priority(x, y, request_.goalX, request_.goalY, g, request_.weight);
        path_[i] = Node{i == 0 ? nullptr : &path_[i - 1], x, y, f, g, nullptr};
    }
    result_ = &path_.back();
}

}  // namespace tarvok
